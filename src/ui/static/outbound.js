// The outbound number list view (#outbound): the run settings with the
// active switch, and the entries, each added, edited or removed on its own.
import { api, ApiError } from "./api.js";
import { confirmBox } from "./dialogs.js";
import { clearErrors, el, field, group, setValue, showFieldError, valueOf } from "./form-fields.js";
import { guarded } from "./notices.js";
import { listFileButtons } from "./outbound-files.js";

const view = document.getElementById("view-outbound");
const OWN_KEYS = ["attempts", "interval", "ogm", "ogmanswer", "ogmmachine", "intervalnext"];
const SETTINGS = [
  ["active", "check", "Active (numbers are being called)"],
  ["ogmanswer", "select", "OGM when a person answers"],
  ["ogmmachine", "select", "OGM when an answering machine answers"],
  ["nattempts", "number", "Attempts per number", "", { min: 1, max: 99 }],
  ["interval", "number", "Minutes between attempts", "", { min: 0 }],
  ["timestart", "text", "Call from", "hh:mm:ss", { inputmode: "numeric", autocomplete: "off" }],
  ["timeend", "text", "Call until", "hh:mm:ss", { inputmode: "numeric", autocomplete: "off" }],
  ["silencetime", "number", "Silence that ends a greeting (seconds)", "Answer detection", { min: 0, max: 3600 }],
  ["timeout", "number", "No decision after (seconds)", "Counts as not answered", { min: 0, max: 3600 }],
];
const ENTRY = [
  ["number", "text", "Number", "", { autocomplete: "off" }],
  ["attempts", "number", "Attempts left", "Empty = the list's setting", { min: 1, max: 99 }],
  ["interval", "number", "Minutes between attempts", "Empty = the list's setting", { min: 0 }],
  ["ogm", "select", "OGM for any answer"],
  ["ogmanswer", "select", "OGM when a person answers"],
  ["ogmmachine", "select", "OGM when an answering machine answers"],
  ["extra", "textarea", "Other parameters", "One key=value a line; the OGMs can use them", { rows: 3 }],
];

let built = false;
let ogms = [];
let savedFile = "";
const settingsWraps = new Map();
const entryWraps = new Map();
let rows, emptyLine, settingsError, dialog, entryTitle, entryError, nextLine, nowhereLine;
let bareNumbers = true; // a line that places calls has a provider for plain numbers
let editing = null; // the entry being edited, as listed; null when adding

function wrapsOf(fieldList, into) {
  return fieldList.map(([key, kind, label, hint, attrs]) => {
    const wrap = field({ key, kind, label, hint, attrs });
    into.set(key, wrap);
    return wrap;
  });
}

function fillOgms(select, blank) {
  const options = ogms.map((name) => new Option(name, name));
  if (blank) options.unshift(new Option(blank, ""));
  const keep = select.value;
  select.replaceChildren(...options);
  select.value = keep;
}

function build() {
  const settingsForm = el("form", { className: "ob-settings", noValidate: true });
  settingsError = el("p", { className: "error", role: "alert" });
  settingsForm.append(
    group("Calling run", wrapsOf(SETTINGS, settingsWraps)),
    el("div", { className: "buttons" }, el("button", { type: "submit", id: "ob-save" }, "Save settings")),
    settingsError,
  );
  settingsForm.addEventListener("submit", guarded(saveSettings));
  const add = el("button", { type: "button", id: "ob-add" }, "Add number");
  add.addEventListener("click", () => openEntry(null));
  rows = el("tbody");
  const head = el("tr");
  for (const name of ["Number", "Attempts", "Interval", "OGM", "Next attempt", "Other", ""])
    head.append(el("th", { scope: "col" }, name || el("span", { className: "sr-only" }, "Commands")));
  const table = el("table", { className: "ob-table", id: "ob-table" }, el("thead", {}, head), rows);
  emptyLine = el("p", { className: "empty" }, "The number list is empty.");
  nowhereLine = el("p", { className: "error", id: "ob-nowhere", hidden: true },
    "No line that places calls has a SIP provider (a device with a registrar or domain), so a plain number " +
    "reaches no one. Add an account under Settings, SIP devices, or write the number as sip:number@host.");
  view.append(
    el("h2", {}, "Outbound calling"),
    settingsForm,
    el("section", { className: "ob-list", ariaLabel: "Number list" },
      el("h3", {}, "Number list"), el("div", { className: "buttons" }, add, ...listFileButtons(show, () => savedFile)),
      nowhereLine, table, emptyLine),
  );
  buildDialog();
  built = true;
}

function buildDialog() {
  dialog = el("dialog", { id: "ob-entry", className: "wide" });
  dialog.setAttribute("aria-labelledby", "ob-entry-title");
  entryTitle = el("h2", { id: "ob-entry-title" });
  entryError = el("p", { className: "error", role: "alert" });
  nextLine = el("p", { className: "hint" });
  const ok = el("button", { type: "submit", id: "ob-entry-ok" }, "OK");
  const cancel = el("button", { type: "button", id: "ob-entry-cancel" }, "Cancel");
  cancel.addEventListener("click", () => dialog.close());
  const form = el("form", { noValidate: true }, entryTitle, ...wrapsOf(ENTRY, entryWraps), nextLine, entryError,
    el("div", { className: "buttons dialog-buttons" }, ok, cancel));
  form.addEventListener("submit", guarded(saveEntry));
  dialog.append(form);
  document.body.append(dialog);
}

const when = (seconds) => (seconds ? new Date(Number(seconds) * 1000).toLocaleString() : "");

function others(params) {
  return Object.entries(params).filter(([key]) => !OWN_KEYS.includes(key));
}

function showEntries(entries) {
  rows.replaceChildren();
  for (const item of entries) {
    const p = item.params;
    const tr = el("tr");
    const cells = [item.number, p.attempts || "", p.interval ? `${p.interval} min` : "",
      p.ogm || [p.ogmanswer, p.ogmmachine].filter(Boolean).join(" / "), when(p.intervalnext),
      others(p).map(([k, v]) => `${k}=${v}`).join(", ")];
    const labels = ["Number", "Attempts", "Interval", "OGM", "Next attempt", "Other"];
    for (const text of cells) tr.append(el("td", { title: text }, text));
    [...tr.children].forEach((td, i) => (td.dataset.label = labels[i]));
    const edit = el("button", { type: "button" }, "Edit");
    edit.setAttribute("aria-label", `Edit ${item.number}`);
    edit.addEventListener("click", () => openEntry(item));
    const remove = el("button", { type: "button" }, "Remove");
    remove.setAttribute("aria-label", `Remove ${item.number}`);
    remove.addEventListener("click", guarded(() => removeEntry(item)));
    tr.append(el("td", { className: "ob-commands" }, edit, " ", remove));
    rows.append(tr);
  }
  emptyLine.hidden = entries.length > 0;
  document.getElementById("ob-table").hidden = entries.length === 0;
  nowhereLine.hidden = bareNumbers || !entries.some((item) => !/[@:]/.test(item.number));
}

async function load() {
  show(await api("/api/outbound"));
}

function show(answer) {
  savedFile = answer.savedfile;
  bareNumbers = answer.bareNumbers;
  ogms = answer.ogms;
  for (const key of ["ogmanswer", "ogmmachine"]) fillOgms(settingsWraps.get(key).control);
  for (const [key, wrap] of settingsWraps) setValue(wrap.control, answer.settings[key]);
  showEntries(answer.entries);
}

function refusedBeside(wraps, error, fallback, line) {
  const wrap = error instanceof ApiError && wraps.get(error.field);
  if (wrap) showFieldError(wrap, error.field, error.message);
  else if (fallback && error instanceof ApiError && error.field) showFieldError(wraps.get(fallback), fallback, error.message);
  else line.textContent = error.message;
}

async function saveSettings(event) {
  event.preventDefault();
  clearErrors(view);
  settingsError.textContent = "";
  const body = {};
  for (const [key, wrap] of settingsWraps) body[key] = valueOf(wrap.control);
  try {
    await api("/api/outbound/settings", body);
    await load();
  } catch (error) {
    refusedBeside(settingsWraps, error, null, settingsError);
  }
}

function openEntry(item) {
  editing = item;
  clearErrors(dialog);
  entryError.textContent = "";
  entryTitle.textContent = item ? `Edit ${item.number}` : "Add number";
  for (const key of ["ogm", "ogmanswer", "ogmmachine"]) {
    const select = entryWraps.get(key).control;
    select.value = "";
    fillOgms(select, "(the list's OGM)");
  }
  const params = item ? item.params : {};
  setValue(entryWraps.get("number").control, item ? item.number : "");
  for (const key of ["attempts", "interval", "ogm", "ogmanswer", "ogmmachine"]) setValue(entryWraps.get(key).control, params[key] || "");
  setValue(entryWraps.get("extra").control, others(params).map(([k, v]) => `${k}=${v}`).join("\n"));
  nextLine.textContent = params.intervalnext ? `Next attempt not before ${when(params.intervalnext)}.` : "";
  dialog.showModal();
  entryWraps.get("number").control.focus();
}

// The other parameters typed as key=value lines; nothing after refusing.
function extraParams() {
  const params = {};
  for (const line of entryWraps.get("extra").control.value.split("\n")) {
    if (!line.trim()) continue;
    const equals = line.indexOf("=");
    if (equals < 1) {
      showFieldError(entryWraps.get("extra"), "extra", "Write each parameter as key=value.");
      return null;
    }
    params[line.slice(0, equals).trim()] = line.slice(equals + 1).trim();
  }
  return params;
}

async function saveEntry(event) {
  event.preventDefault();
  clearErrors(dialog);
  entryError.textContent = "";
  const params = extraParams();
  if (!params) return;
  for (const key of ["attempts", "interval", "ogm", "ogmanswer", "ogmmachine"])
    params[key] = String(entryWraps.get(key).control.value);
  if (editing?.params.intervalnext) params.intervalnext = editing.params.intervalnext;
  const body = { number: entryWraps.get("number").control.value, params };
  if (editing) body.was = editing.entry;
  try {
    await api(editing ? "/api/outbound/edit" : "/api/outbound/add", body);
    dialog.close();
    await load();
  } catch (error) {
    refusedBeside(entryWraps, error, "extra", entryError);
  }
}

async function removeEntry(item) {
  if (!(await confirmBox("Remove Number", `Remove ${item.number} from the number list?`))) return;
  try {
    await api("/api/outbound/remove", { was: item.entry });
  } finally {
    await load();
  }
}

// The rows follow the calls: when a line's state changes an entry may have
// been dialled or finished. Only the rows are redrawn (never a form being
// edited), a second later, once the engine has written the list.
let lineStates = "";
let followTimer = 0;
document.addEventListener("engine-status", (event) => {
  const states = JSON.stringify(event.detail.lines || []);
  if (states === lineStates) return;
  lineStates = states;
  if (!built || view.hidden) return;
  clearTimeout(followTimer);
  followTimer = setTimeout(guarded(async () => showEntries((await api("/api/outbound")).entries)), 1000);
});

document.addEventListener("view-shown", guarded(async (event) => {
  if (event.detail !== "outbound") return;
  if (!built) build();
  await load();
}));
