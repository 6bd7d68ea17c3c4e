// Labelled controls bound to one OGM key each ("section.key"), read and
// written in the server's forms: booleans, whole numbers, durations in
// milliseconds shown as seconds, and texts.
let serial = 0;

function el(tag, props = {}, ...children) {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children);
  return node;
}
export { el };

// The control's wrapper: label, control, and the line where a refusal shows.
function wrap(field, label, control, hint) {
  const id = `ogm-f${++serial}`;
  control.id = id;
  control.dataset.field = field;
  const error = el("p", { className: "field-error", id: `${id}-error` });
  error.setAttribute("role", "alert");
  control.setAttribute("aria-describedby", error.id);
  const tag = el("label", { htmlFor: id, textContent: label });
  const box = el("div", { className: control.type === "checkbox" ? "field check" : "field" });
  if (control.type === "checkbox") box.append(control, tag);
  else box.append(tag, control);
  if (hint) box.append(el("span", { className: "hint", textContent: hint }));
  box.append(error);
  return box;
}

export function check(field, label) {
  return wrap(field, label, el("input", { type: "checkbox" }));
}

export function number(field, label, { min, max, hint } = {}) {
  const input = el("input", { type: "number", step: "1", inputMode: "numeric" });
  if (min !== undefined) input.min = String(min);
  if (max !== undefined) input.max = String(max);
  input.dataset.kind = "int";
  return wrap(field, label, input, hint);
}

// Milliseconds shown as seconds.
export function seconds(field, label, { min, hint } = {}) {
  const input = el("input", { type: "number", step: "0.1", inputMode: "decimal" });
  if (min !== undefined) input.min = String(min);
  input.dataset.kind = "ms";
  return wrap(field, label, input, hint || "seconds");
}

export function text(field, label, { list, hint, placeholder } = {}) {
  const input = el("input", { type: "text", autocomplete: "off", spellcheck: false });
  if (list) input.setAttribute("list", list);
  if (placeholder) input.placeholder = placeholder;
  return wrap(field, label, input, hint);
}

// A choice of [value, label] pairs; numbers when the values are numbers.
export function choice(field, label, options) {
  const select = el("select");
  for (const [value, caption] of options) select.add(new Option(caption, String(value)));
  if (typeof options[0]?.[0] === "number") select.dataset.kind = "int";
  return wrap(field, label, select);
}

export function setValue(control, value) {
  if (control.type === "checkbox") control.checked = !!value;
  else if (control.dataset.kind === "ms") control.value = String((Number(value) || 0) / 1000);
  else {
    const shown = value === undefined || value === null ? "" : String(value);
    if (control.tagName === "SELECT" && ![...control.options].some((o) => o.value === shown))
      control.add(new Option(shown, shown));
    control.value = shown;
  }
}

export function getValue(control) {
  if (control.type === "checkbox") return control.checked;
  if (control.dataset.kind === "ms") return Math.round(Number(control.value) * 1000);
  if (control.dataset.kind === "int") return control.value === "" ? null : Number(control.value);
  return control.value;
}

// Every bound control under `root`.
export function controls(root) {
  return [...root.querySelectorAll("[data-field]")];
}

export function clearErrors(root) {
  for (const line of root.querySelectorAll(".field-error")) line.textContent = "";
  for (const control of controls(root)) control.removeAttribute("aria-invalid");
}

// Shows `message` next to the control of `field`; false when there is none.
export function showFieldError(root, field, message) {
  const control = root.querySelector(`[data-field="${CSS.escape(field)}"]`);
  if (!control) return false;
  control.setAttribute("aria-invalid", "true");
  document.getElementById(control.getAttribute("aria-describedby")).textContent = message;
  return control;
}
