// Forms built from a list of field descriptions, with each refusal shown
// beside its own field: shared by the mailbox properties and the outbound
// list.
let serial = 0;

// field({key, kind: "check"|"text"|"number"|"password"|"select"|"textarea",
//        label, hint, attrs}) -> the wrapper; the control is wrapper.control.
export function field(desc) {
  const wrap = document.createElement("div");
  wrap.className = `form-field kind-${desc.kind}`;
  const tag = desc.kind === "select" || desc.kind === "textarea" ? desc.kind : "input";
  const control = document.createElement(tag);
  if (tag === "input") control.type = desc.kind === "check" ? "checkbox" : desc.kind;
  control.id = `ff-${desc.key}-${++serial}`;
  control.name = desc.key;
  for (const [name, value] of Object.entries(desc.attrs || {})) control.setAttribute(name, value);
  const label = document.createElement("label");
  label.htmlFor = control.id;
  label.textContent = desc.label;
  const error = document.createElement("p");
  error.className = "field-error";
  error.id = `${control.id}-error`;
  error.hidden = true;
  if (desc.kind === "check") wrap.append(control, label);
  else wrap.append(label, control);
  if (desc.hint) {
    const hint = document.createElement("span");
    hint.className = "hint";
    hint.id = `${control.id}-hint`;
    hint.textContent = desc.hint;
    control.setAttribute("aria-describedby", hint.id);
    wrap.append(hint);
  }
  wrap.append(error);
  wrap.control = control;
  wrap.error = error;
  return wrap;
}

// A fieldset with its legend around the given wrappers.
export function group(legend, wrappers) {
  const set = document.createElement("fieldset");
  set.className = "form-group";
  const title = document.createElement("legend");
  title.textContent = legend;
  set.append(title, ...wrappers);
  return set;
}

export function clearErrors(root) {
  for (const wrap of root.querySelectorAll(".form-field")) showFieldError(wrap, "");
}

// Shows `text` beside the field (none clears it) and focuses it.
export function showFieldError(wrap, text) {
  wrap.error.textContent = text;
  wrap.error.hidden = !text;
  const described = [wrap.control.getAttribute("aria-describedby"), wrap.error.id].filter(Boolean);
  if (text) {
    wrap.control.setAttribute("aria-invalid", "true");
    wrap.control.setAttribute("aria-describedby", [...new Set(described)].join(" "));
    wrap.control.focus();
  } else {
    wrap.control.removeAttribute("aria-invalid");
  }
}

// The value of a control as JSON wants it.
export function valueOf(control) {
  if (control.type === "checkbox") return control.checked;
  if (control.type === "number") return control.value === "" ? null : Number(control.value);
  return control.value;
}

export function setValue(control, value) {
  if (control.type === "checkbox") control.checked = !!value;
  else control.value = value ?? "";
}
