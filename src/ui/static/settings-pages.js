// The settings pages of plain keys: each a form with its own Save button;
// a refused value is shown beside its field.
import { api, query } from "./api.js";
import { guarded } from "./notices.js";
import { buildForm } from "./settings-form.js";
import { formatButton } from "./settings-format.js";

const TIME_HINT = "hh:mm, 24-hour clock";
const MODES = [
  [0, "No change"],
  [1, "Answer with this OGM"],
  [2, "Do not answer"],
  [3, "Answer after the extra rings"],
];

const TRANSFER = [
  { key: "blindprefix", label: "Blind transfer: dial before the number", type: "text" },
  { key: "blindsuffix", label: "Blind transfer: dial after the number", type: "text" },
  { key: "blindtapi", label: "Blind transfer by the line itself instead of dialling", type: "bool" },
  { key: "confirmedprefix", label: "Confirmed transfer: dial before the number", type: "text" },
  { key: "confirmedsuffix", label: "Confirmed transfer: dial after the number", type: "text" },
  { key: "confirmedcomplete", label: "Dial to complete an accepted transfer", type: "text" },
  { key: "confirmedreject", label: "Dial to return from a refused transfer", type: "text" },
  { key: "useconferencecall", label: "Stay on the call after a transfer", type: "bool" },
  { key: "maxrectime", label: "Longest message (seconds)", type: "number", min: 1, max: 3600 },
  { key: "recthres", label: "Silence threshold (dB)", type: "number", min: -60, max: 0 },
  { key: "deletefiledays", label: "Delete messages after (days, 0 = never)", type: "number", min: 0, max: 3650 },
];

const GENERAL = [
  { key: "tollsaver", label: "Toll saver: answer at ring 3 with new messages, else at ring 5", type: "bool" },
  { key: "nrings", label: "Rings before answering", type: "number", min: 1, max: 20 },
  { key: "openwindow", label: "Show the console when a message arrives", type: "bool" },
  { key: "cidflash", label: "Show the caller's number", type: "bool" },
  { key: "audiogain", label: "Gain of played audio (dB)", type: "number", min: -20, max: 20 },
  { key: "audiohighpass", label: "High-pass filter (Hz, 0 = off)", type: "number", min: 0, max: 1000 },
  { key: "audiocompressorthres", label: "Compressor threshold (dB, 0 = off)", type: "number", min: -60, max: 0 },
];

function hoursFields(ogms) {
  const choices = ogms.map((name) => [name, name]);
  const fields = [{ key: "enabled", label: "Use office hours", type: "bool" }];
  for (const [day, text] of [["weekday", "Monday to Friday"], ["sat", "Saturday"], ["sun", "Sunday"]]) {
    fields.push({ key: `${day}open`, label: `${text} opens`, type: "text", hint: TIME_HINT });
    fields.push({ key: `${day}close`, label: `${text} closes`, type: "text", hint: TIME_HINT });
  }
  for (const [when, text] of [["during", "During office hours"], ["after", "Outside office hours"]]) {
    fields.push({ key: `${when}mode`, label: text, type: "select", options: MODES });
    fields.push({ key: `${when}ogm`, label: `${text}: OGM`, type: "select", options: choices });
    fields.push({ key: `${when}rings`, label: `${text}: extra rings`, type: "number", min: 0, max: 20 });
  }
  return fields;
}

// An OGM named in the settings stays choosable even when it is gone.
function keepChoice(select, value) {
  if (value && ![...select.options].some((option) => option.value === value)) select.add(new Option(value, value));
  select.value = value;
}

// A page's form in `container`: filled from the engine, saved by its button.
export async function buildPage(container, name, fields, heading) {
  const form = buildForm(fields);
  const section = document.createElement("form");
  section.className = "settings-page";
  section.noValidate = true;
  const status = document.createElement("p");
  status.className = "hint";
  status.setAttribute("role", "status");
  const save = document.createElement("button");
  save.type = "submit";
  save.textContent = "Save";
  section.append(Object.assign(document.createElement("h3"), { textContent: heading }), form.element, save, status);
  const fill = (values) => {
    form.fill(values);
    for (const field of fields) if (field.type === "select") keepChoice(form.controls[field.key], String(values[field.key]));
  };
  // Shown only once filled and wired: typing into it earlier would be
  // overwritten, and a Save before its handler would submit the page away.
  fill((await api(query("/api/settings/page", { name }))).values);
  section.addEventListener("submit", guarded(async (event) => {
    event.preventDefault();
    status.textContent = "";
    try {
      fill((await api("/api/settings/page", { page: name, values: form.read() })).values);
      status.textContent = "Saved.";
      if (name === "linesettings") document.dispatchEvent(new CustomEvent("settings-restart", { detail: true }));
    } catch (error) {
      if (!form.refuse({ field: error.field, message: error.message })) throw error;
    }
  }));
  container.append(section);
  return form;
}

export async function buildTransfer(panel) {
  await buildPage(panel, "transfer", TRANSFER, "Transfer and messages");
  panel.append(await formatButton("Delivery format"));
}

export async function buildHours(panel) {
  const ogms = (await api("/api/ogms")).ogms;
  await buildPage(panel, "hours", hoursFields(ogms), "Office hours");
}

export function buildGeneral(panel) {
  return buildPage(panel, "general", GENERAL, "General");
}
