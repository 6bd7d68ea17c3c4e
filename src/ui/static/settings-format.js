// The delivery format chooser: the formats the codecs write, the one in use
// chosen; OK writes the format file beside the settings.
import { api } from "./api.js";
import { openDialog } from "./settings-dialog.js";

export function describeFormat(format) {
  return `${format.name}, ${format.rate} Hz, ${format.channels === 1 ? "mono" : "stereo"}`;
}

// Resolves to the chosen format's description, or null when cancelled.
export async function chooseFormat() {
  const offer = await api("/api/settings/format");
  const options = offer.formats.map((format, index) => [index, describeFormat(format)]);
  const answer = await openDialog({
    caption: offer.title,
    fields: [{ key: "format", label: "Format", type: "select", options }],
    values: { format: String(Math.max(offer.selected, 0)) },
    save: (values) => api("/api/settings/format", { format: values.format }),
  });
  return answer && describeFormat(answer.formats[answer.selected]);
}
