// The settings' own dialogs (line properties, line settings, SIP device):
// a form whose OK keeps the dialog open while the server refuses a value.
import { buildForm } from "./form-fields.js";

let dialog = null;

function make() {
  dialog = document.createElement("dialog");
  dialog.className = "settings-dialog";
  dialog.setAttribute("aria-labelledby", "sd-title");
  dialog.innerHTML = `<form method="dialog"><h2 id="sd-title"></h2><p class="hint" id="sd-note"></p>
    <div id="sd-fields"></div><p class="error" id="sd-error" role="alert"></p>
    <div class="buttons dialog-buttons"><button id="sd-ok" value="ok">OK</button>
    <button id="sd-cancel" value="cancel" formnovalidate>Cancel</button></div></form>`;
  document.body.append(dialog);
}

// openDialog({caption, note, fields, values, save: async (values) => answer})
// resolves to save's answer, or null when cancelled.
export function openDialog(options) {
  if (!dialog) make();
  const form = buildForm(options.fields);
  form.fill(options.values || {});
  dialog.querySelector("#sd-title").textContent = options.caption;
  const note = dialog.querySelector("#sd-note");
  note.textContent = options.note || "";
  note.hidden = !options.note;
  dialog.querySelector("#sd-fields").replaceChildren(form.element);
  const error = dialog.querySelector("#sd-error");
  error.textContent = "";
  if (options.extend) options.extend(form);
  return new Promise((resolve) => {
    const ok = dialog.querySelector("#sd-ok");
    ok.onclick = async (event) => {
      event.preventDefault();
      error.textContent = "";
      try {
        const answer = await options.save(form.read());
        dialog.close();
        resolve(answer);
      } catch (failure) {
        if (!form.refuse({ field: failure.field, message: failure.message })) error.textContent = failure.message;
      }
    };
    dialog.oncancel = () => resolve(null);
    dialog.querySelector("#sd-cancel").onclick = () => resolve(null);
    dialog.showModal();
    form.element.querySelector("input, select")?.focus();
  });
}
