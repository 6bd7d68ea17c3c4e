// The console's message boxes: one <dialog> whose caption is its title,
// with an optional text field, choice list or checkboxes.
const dialog = document.getElementById("ask");
const title = document.getElementById("ask-title");
const text = document.getElementById("ask-text");
const fields = document.getElementById("ask-fields");
const ok = document.getElementById("ask-ok");
const cancel = document.getElementById("ask-cancel");

let pending = null;

function field(label, control) {
  const wrap = document.createElement("div");
  wrap.className = "field";
  const id = `ask-field-${fields.children.length}`;
  control.id = id;
  const tag = document.createElement("label");
  tag.htmlFor = id;
  tag.textContent = label;
  if (control.type === "checkbox") wrap.append(control, tag);
  else wrap.append(tag, control);
  fields.append(wrap);
  return control;
}

// A titled group of checkboxes, one per name; `chosen` are ticked.
function group(spec) {
  const set = document.createElement("fieldset");
  set.className = "group";
  const legend = document.createElement("legend");
  legend.textContent = spec.legend;
  set.append(legend);
  for (const name of spec.options) {
    const tag = document.createElement("label");
    const box = document.createElement("input");
    box.type = "checkbox";
    box.value = name;
    box.checked = spec.chosen.includes(name);
    tag.append(box, ` ${name}`);
    set.append(tag);
  }
  if (!spec.options.length) set.append("None here.");
  fields.append(set);
  return () => [...set.querySelectorAll("input:checked")].map((box) => box.value);
}

// ask({caption, text, input: {label, value, type}, choices: {label, options, value},
//      checks: [{name, label, checked}], groups: [{name, legend, options, chosen}],
//      textarea: {label, value, rows}, warn, okText, cancelText, safeFocus})
// resolves to null when cancelled, else {value, text, checks, groups}; value
// is the text field's or the choice's, else the textarea's, which text holds.
// warn({checks, groups}) gives a warning shown below the groups while the
// boxes are as they are ("" for none).
export function ask(options) {
  if (pending) pending(null);
  title.textContent = options.caption || "Zavotel";
  text.textContent = options.text || "";
  text.hidden = !options.text;
  fields.replaceChildren();
  ok.textContent = options.okText || "OK";
  cancel.textContent = options.cancelText || "Cancel";
  cancel.hidden = options.cancelText === null;
  let valueControl = null;
  if (options.input) {
    valueControl = field(options.input.label, document.createElement("input"));
    valueControl.type = options.input.type || "text";
    valueControl.value = options.input.value || "";
    valueControl.required = true;
    valueControl.autocomplete = "off";
  } else if (options.choices) {
    valueControl = field(options.choices.label, document.createElement("select"));
    for (const name of options.choices.options) valueControl.add(new Option(name, name));
    if (options.choices.value) valueControl.value = options.choices.value;
  }
  const groups = (options.groups || []).map((spec) => [spec.name, group(spec)]);
  const warning = options.warn ? document.createElement("p") : null;
  if (warning) {
    warning.className = "field-error";
    warning.setAttribute("role", "status");
    fields.append(warning);
  }
  let textControl = null;
  if (options.textarea) {
    textControl = field(options.textarea.label, document.createElement("textarea"));
    textControl.value = options.textarea.value || "";
    textControl.rows = options.textarea.rows || 12;
    valueControl ||= textControl;
  }
  const checks = (options.checks || []).map((check) => {
    const box = document.createElement("input");
    box.type = "checkbox";
    box.checked = !!check.checked;
    box.dataset.name = check.name;
    return field(check.label, box);
  });
  const chosen = () => ({
    checks: Object.fromEntries(checks.map((box) => [box.dataset.name, box.checked])),
    groups: Object.fromEntries(groups.map(([name, read]) => [name, read()])),
  });
  const warnNow = () => (warning.textContent = options.warn(chosen()));
  fields.onchange = warning ? warnNow : null;
  if (warning) warnNow();
  return new Promise((resolve) => {
    pending = (result) => {
      pending = null;
      resolve(result);
    };
    dialog.onclose = () => {
      if (!pending) return;
      if (dialog.returnValue !== "ok") return pending(null);
      pending({ value: valueControl ? valueControl.value : "", text: textControl ? textControl.value : "", ...chosen() });
    };
    dialog.returnValue = "";
    dialog.showModal();
    (valueControl || (options.safeFocus ? cancel : ok)).focus();
    if (valueControl && valueControl.select && options.input) valueControl.select();
  });
}

// A Yes/No message box; resolves true on Yes. No has the focus, so an
// Enter pressed out of habit changes nothing (most questions guard a delete).
export async function confirmBox(caption, message) {
  return (await ask({ caption, text: message, okText: "Yes", cancelText: "No", safeFocus: true })) !== null;
}

// A message box with one OK button.
export function tell(caption, message) {
  return ask({ caption, text: message, cancelText: null });
}

// Whether any dialog (this box, the OGM editor, properties) holds the keys.
export function dialogOpen() {
  return document.querySelector("dialog[open]") !== null;
}
