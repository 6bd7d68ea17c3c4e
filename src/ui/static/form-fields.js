// Labelled form controls, each with its hint and the line where a refusal of
// the server shows it: every form of the console is built from them.
let serial = 0;

// Mailbox names in the order every list shows them: alphabetical, letter
// case and accents aside.
export function sortedNames(names) {
  return [...names].sort((a, b) => a.localeCompare(b, undefined, { sensitivity: "base" }));
}

export function el(tag, props = {}, ...children) {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children);
  return node;
}

const INPUT_TYPES = { check: "checkbox", number: "number", seconds: "number", password: "password", time: "time" };

function select(options) {
  const control = el("select");
  for (const [value, caption] of options || []) control.add(new Option(caption, String(value)));
  if (typeof options?.[0]?.[0] === "number") control.dataset.kind = "int";
  return control;
}

function input(desc) {
  const control = el("input", { type: INPUT_TYPES[desc.kind] || "text" });
  if (desc.kind === "number") Object.assign(control, { step: "1", inputMode: "numeric" });
  if (desc.kind === "seconds") Object.assign(control, { step: "0.1", inputMode: "decimal" });
  if (desc.kind === "number" || desc.kind === "seconds") control.dataset.kind = desc.kind === "number" ? "int" : "ms";
  if (desc.min !== undefined) control.min = String(desc.min);
  if (desc.max !== undefined) control.max = String(desc.max);
  control.autocomplete = desc.kind === "password" ? "new-password" : "off";
  if (desc.kind === "text") control.spellcheck = false;
  return control;
}

function controlFor(desc) {
  if (desc.kind === "select") return select(desc.options);
  if (desc.kind === "textarea") return el("textarea");
  return input(desc);
}

// field({key, kind: "check"|"text"|"number"|"seconds" (milliseconds shown as
// seconds)|"password"|"time"|"select"|"textarea", label, hint, options:
// [[value, caption]], min, max, attrs}) -> its wrapper; the control is
// wrapper.control, the refusal line wrapper.error.
export function field(desc) {
  const control = controlFor(desc);
  control.id = `field-${++serial}`;
  control.name = desc.key;
  control.dataset.field = desc.key;
  for (const [name, value] of Object.entries(desc.attrs || {})) control.setAttribute(name, value);
  const label = el("label", { htmlFor: control.id, textContent: desc.label });
  const error = el("p", { className: "field-error", id: `${control.id}-error` });
  error.setAttribute("aria-live", "polite");
  const wrap = el("div", { className: `form-field kind-${desc.kind}` });
  if (desc.kind === "check") wrap.append(control, label);
  else wrap.append(label, control);
  const described = [error.id];
  if (desc.hint || desc.kind === "seconds") {
    const hint = el("span", { className: "hint", id: `${control.id}-hint`, textContent: desc.hint || "seconds" });
    described.unshift(hint.id);
    wrap.append(hint);
  }
  control.setAttribute("aria-describedby", described.join(" "));
  wrap.append(error);
  return Object.assign(wrap, { control, error });
}

// A fieldset with its legend around the given parts.
export function group(legend, ...parts) {
  return el("fieldset", { className: "form-group" }, el("legend", { textContent: legend }), ...parts.flat());
}

// The value of a control as the server's JSON wants it.
export function valueOf(control) {
  if (control.type === "checkbox") return control.checked;
  if (control.dataset.kind === "ms") return Math.round(Number(control.value) * 1000);
  if (control.dataset.kind === "int") return control.value === "" ? null : Number(control.value);
  return control.value;
}

// A choice that does not offer the stored value gains it, so that saving
// keeps what the file held.
export function setValue(control, value) {
  if (control.type === "checkbox") return void (control.checked = !!value);
  if (control.dataset.kind === "ms") return void (control.value = String((Number(value) || 0) / 1000));
  const shown = value === undefined || value === null ? "" : String(value);
  if (control.tagName === "SELECT" && ![...control.options].some((o) => o.value === shown))
    control.add(new Option(shown, shown));
  control.value = shown;
}

// Every field's control under `root`.
export function controls(root) {
  return [...root.querySelectorAll("[data-field]")];
}

export function clearErrors(root) {
  for (const line of root.querySelectorAll(".field-error")) line.textContent = "";
  for (const control of controls(root)) control.removeAttribute("aria-invalid");
}

// Shows `message` beside the control of `key` under `root` and focuses it;
// the control, or null when `root` has none of that key.
export function showFieldError(root, key, message) {
  const control = root.querySelector(`[data-field="${CSS.escape(key)}"]`);
  if (!control) return null;
  const wrap = control.closest(".form-field");
  if (!wrap) return null;
  control.setAttribute("aria-invalid", "true");
  wrap.error.textContent = message;
  control.focus();
  return control;
}

// A form of `fields` (as for field()): {element, controls (by key), read(),
// fill(values), refuse({field, message}) -> whether a field of it was named}.
export function buildForm(fields) {
  const wraps = fields.map((desc) => field(desc));
  const element = el("div", { className: "form-fields" }, ...wraps);
  const controls = Object.fromEntries(wraps.map((wrap) => [wrap.control.name, wrap.control]));
  return {
    element,
    controls,
    read: () => Object.fromEntries(fields.map((desc) => [desc.key, valueOf(controls[desc.key])])),
    fill(values) {
      clearErrors(element);
      for (const desc of fields) if (desc.key in values) setValue(controls[desc.key], values[desc.key]);
    },
    refuse(error) {
      clearErrors(element);
      return !!(error?.field && error.field in controls && showFieldError(element, error.field, error.message));
    },
  };
}
