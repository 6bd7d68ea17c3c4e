// The format choosers: the formats the codecs write, the one in use chosen;
// OK writes the format file. `of` names it: "delivery" (beside the settings)
// or "program" (the audio inside saved IVR program files).
import { api, query } from "./api.js";
import { guarded } from "./notices.js";
import { openDialog } from "./settings-dialog.js";

export function describeFormat(format) {
  return `${format.name}, ${format.rate} Hz, ${format.channels === 1 ? "mono" : "stereo"}`;
}

// Resolves to the chosen format's description, or null when cancelled.
export async function chooseFormat(of) {
  const offer = await api(query("/api/settings/format", { of }));
  const options = offer.formats.map((format, index) => [index, describeFormat(format)]);
  const answer = await openDialog({
    caption: offer.title,
    fields: [{ key: "format", label: "Format", kind: "select", options }],
    values: { format: String(Math.max(offer.selected, 0)) },
    save: (values) => api("/api/settings/format", { format: values.format, of }),
  });
  return answer && describeFormat(answer.formats[answer.selected]);
}

// What the engine takes when the file holds none of the offered formats.
const UNSET = { delivery: "8-bit PCM, 8000 Hz, mono", program: "16-bit PCM, 8000 Hz, mono" };

// A button that opens the chooser, with the format in use beside it.
export async function formatButton(caption, of) {
  const row = Object.assign(document.createElement("div"), { className: "buttons" });
  const button = Object.assign(document.createElement("button"), { type: "button", textContent: caption });
  const shown = Object.assign(document.createElement("span"), { className: "hint" });
  button.addEventListener("click", guarded(async () => {
    const chosen = await chooseFormat(of);
    if (chosen) shown.textContent = chosen;
  }));
  row.append(button, shown);
  const offer = await api(query("/api/settings/format", { of }));
  shown.textContent = offer.selected >= 0 ? describeFormat(offer.formats[offer.selected]) : UNSET[of];
  return row;
}
