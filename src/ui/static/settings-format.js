// The delivery format chooser: the formats the codecs write, the one in use
// chosen; OK writes the format file beside the settings.
import { api } from "./api.js";
import { guarded } from "./notices.js";
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
    fields: [{ key: "format", label: "Format", kind: "select", options }],
    values: { format: String(Math.max(offer.selected, 0)) },
    save: (values) => api("/api/settings/format", { format: values.format }),
  });
  return answer && describeFormat(answer.formats[answer.selected]);
}

// A button that opens the chooser, with the format in use beside it.
export async function formatButton(caption) {
  const row = Object.assign(document.createElement("div"), { className: "buttons" });
  const button = Object.assign(document.createElement("button"), { type: "button", textContent: caption });
  const shown = Object.assign(document.createElement("span"), { className: "hint" });
  button.addEventListener("click", guarded(async () => {
    const chosen = await chooseFormat();
    if (chosen) shown.textContent = chosen;
  }));
  row.append(button, shown);
  const offer = await api("/api/settings/format");
  shown.textContent = offer.selected >= 0 ? describeFormat(offer.formats[offer.selected]) : "8-bit PCM, 8000 Hz, mono";
  return row;
}
