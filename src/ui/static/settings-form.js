// Forms of the settings pages, built from a list of fields: each field has
// its label and its own error line, which a refusal of the server fills.
let serial = 0;

// field: {key, label, type: "bool"|"number"|"text"|"password"|"time"|"select",
//         options: [[value, text]], min, max, hint}
function control(field) {
  if (field.type === "select") {
    const select = document.createElement("select");
    for (const [value, text] of field.options || []) select.add(new Option(text, String(value)));
    return select;
  }
  const input = document.createElement("input");
  input.type = { bool: "checkbox", number: "number", password: "password", time: "time" }[field.type] || "text";
  if (field.type === "number") {
    input.min = field.min;
    input.max = field.max;
    input.step = 1;
  }
  input.autocomplete = field.type === "password" ? "new-password" : "off";
  return input;
}

function valueOf(field, input) {
  if (field.type === "bool") return input.checked;
  if (field.type === "number") return input.value === "" ? null : Number(input.value);
  if (field.type === "select" && typeof field.options?.[0]?.[0] === "number") return Number(input.value);
  return input.value;
}

// Returns {element, read(), fill(values), refuse(error), controls}.
export function buildForm(fields) {
  const element = document.createElement("div");
  element.className = "settings-fields";
  const controls = {};
  const errors = {};
  for (const field of fields) {
    const id = `sf-${++serial}`;
    const wrap = document.createElement("div");
    wrap.className = field.type === "bool" ? "sfield check" : "sfield";
    const label = document.createElement("label");
    label.htmlFor = id;
    label.textContent = field.label;
    const input = control(field);
    input.id = id;
    input.name = field.key;
    const error = document.createElement("p");
    error.className = "field-error";
    error.id = `${id}-error`;
    error.setAttribute("aria-live", "polite");
    input.setAttribute("aria-describedby", error.id);
    if (field.type === "bool") wrap.append(input, label, error);
    else wrap.append(label, input, error);
    if (field.hint) {
      const hint = document.createElement("p");
      hint.className = "hint";
      hint.textContent = field.hint;
      wrap.append(hint);
    }
    element.append(wrap);
    controls[field.key] = input;
    errors[field.key] = error;
  }
  const clear = () => {
    for (const key in errors) errors[key].textContent = "";
    for (const key in controls) controls[key].removeAttribute("aria-invalid");
  };
  return {
    element,
    controls,
    read() {
      const values = {};
      for (const field of fields) values[field.key] = valueOf(field, controls[field.key]);
      return values;
    },
    fill(values) {
      clear();
      for (const field of fields) {
        if (!(field.key in values)) continue;
        const input = controls[field.key];
        if (field.type === "bool") input.checked = !!values[field.key];
        else input.value = values[field.key] ?? "";
      }
    },
    // Shows a server refusal beside its field; false when no field of this
    // form was named.
    refuse(error) {
      clear();
      const key = error?.field;
      if (!key || !errors[key]) return false;
      errors[key].textContent = error.message;
      controls[key].setAttribute("aria-invalid", "true");
      controls[key].focus();
      return true;
    },
  };
}
