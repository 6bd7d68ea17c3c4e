// The settings pages of plain keys: each a form with its own Save button;
// a refused value is shown beside its field.
import { api, query } from "./api.js";
import { guarded } from "./notices.js";
import { buildForm } from "./form-fields.js";
import { formatButton } from "./settings-format.js";

const TIME_HINT = "hh:mm, 24-hour clock";
const MODES = [
  [0, "No change"],
  [1, "Answer with this OGM"],
  [2, "Do not answer"],
  [3, "Answer after the extra rings"],
];

const TRANSFER = [
  { key: "blindprefix", label: "Blind transfer: dial before the number", kind: "text" },
  { key: "blindsuffix", label: "Blind transfer: dial after the number", kind: "text" },
  { key: "blindtapi", label: "Blind transfer by the line itself instead of dialling", kind: "check" },
  { key: "confirmedprefix", label: "Confirmed transfer: dial before the number", kind: "text" },
  { key: "confirmedsuffix", label: "Confirmed transfer: dial after the number", kind: "text" },
  { key: "confirmedcomplete", label: "Dial to complete an accepted transfer", kind: "text" },
  { key: "confirmedreject", label: "Dial to return from a refused transfer", kind: "text" },
  { key: "useconferencecall", label: "Stay on the call after a transfer", kind: "check" },
  { key: "maxrectime", label: "Longest message (seconds)", kind: "number", min: 1, max: 3600 },
  { key: "recthres", label: "Silence threshold (dB)", kind: "number", min: -60, max: 0 },
  { key: "deletefiledays", label: "Delete messages after (days, 0 = never)", kind: "number", min: 0, max: 3650 },
];

const EMAIL = [
  { key: "usemapi", label: "Send through this computer's mail program (sendmail) instead of a mail host", kind: "check" },
  { key: "mailhost", label: "Mail host", kind: "text", hint: "name or address, with :port when not 25" },
  { key: "fromemail", label: "Your e-mail address", kind: "text", hint: "the sender, and the recipient the E-mail command proposes" },
  { key: "subject", label: "Subject", kind: "text", hint: "%mailboxname%, %cid%, %callername% and the other call parameters are filled in" },
];

const GENERAL = [
  { key: "tollsaver", label: "Toll saver: answer at ring 3 with new messages, else at ring 5", kind: "check" },
  { key: "nrings", label: "Rings before answering", kind: "number", min: 1, max: 20 },
  { key: "openwindow", label: "Show the console when a message arrives", kind: "check" },
  { key: "cidflash", label: "Show the caller's number", kind: "check" },
  { key: "audiogain", label: "Gain of played audio (dB)", kind: "number", min: -20, max: 20 },
  { key: "audiohighpass", label: "High-pass filter (Hz, 0 = off)", kind: "number", min: 0, max: 1000 },
  { key: "audiocompressorthres", label: "Compressor threshold (dB, 0 = off)", kind: "number", min: -60, max: 0 },
];

function hoursFields(ogms) {
  const choices = ogms.map((name) => [name, name]);
  const fields = [{ key: "enabled", label: "Use office hours", kind: "check" }];
  for (const [day, text] of [["weekday", "Monday to Friday"], ["sat", "Saturday"], ["sun", "Sunday"]]) {
    fields.push({ key: `${day}open`, label: `${text} opens`, kind: "text", hint: TIME_HINT });
    fields.push({ key: `${day}close`, label: `${text} closes`, kind: "text", hint: TIME_HINT });
  }
  for (const [when, text] of [["during", "During office hours"], ["after", "Outside office hours"]]) {
    fields.push({ key: `${when}mode`, label: text, kind: "select", options: MODES });
    fields.push({ key: `${when}ogm`, label: `${text}: OGM`, kind: "select", options: choices });
    fields.push({ key: `${when}rings`, label: `${text}: extra rings`, kind: "number", min: 0, max: 20 });
  }
  return fields;
}

// Each page built so far, read again by refillPages.
const refills = [];

// What the settings file holds now, over anything typed and not saved: the
// settings shown again after closing must not show unsaved values as set.
export async function refillPages() {
  await Promise.all(refills.map((refill) => refill()));
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
  // Shown only once filled and wired: typing into it earlier would be
  // overwritten, and a Save before its handler would submit the page away.
  const refill = async () => {
    form.fill((await api(query("/api/settings/page", { name }))).values);
    status.textContent = "";
  };
  await refill();
  refills.push(refill);
  section.addEventListener("submit", guarded(async (event) => {
    event.preventDefault();
    status.textContent = "";
    try {
      form.fill((await api("/api/settings/page", { page: name, values: form.read() })).values);
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
  await buildPage(panel, "email", EMAIL, "E-mail");
}

export async function buildHours(panel) {
  const ogms = (await api("/api/ogms")).ogms;
  await buildPage(panel, "hours", hoursFields(ogms), "Office hours");
}

export function buildGeneral(panel) {
  return buildPage(panel, "general", GENERAL, "General");
}
