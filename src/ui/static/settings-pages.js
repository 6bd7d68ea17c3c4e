// The settings pages of plain keys: each a form with its own Save button;
// a refused value is shown beside its field.
import { api, ApiError, query } from "./api.js";
import { ask } from "./dialogs.js";
import { guarded } from "./notices.js";
import { buildForm } from "./form-fields.js";
import { followOgms, offerOgms } from "./ogm-choices.js";
import { formatButton } from "./settings-format.js";

const TIME_HINT = "hh:mm, 24-hour clock";
const MODES = [
  [0, "No change"],
  [1, "Answer with this OGM"],
  [2, "Do not answer"],
  [3, "Answer after the extra rings"],
];
const MODE_HINTS = { during: "Do not answer: the lines ring on and the staff take the calls." };

const FLASH_HINT = "\"!\" is a hook flash: it puts the caller on hold to call the number";
const TRANSFER = [
  { key: "blindprefix", label: "Blind transfer: dial before the number", kind: "text", hint: FLASH_HINT },
  { key: "blindsuffix", label: "Blind transfer: dial after the number", kind: "text" },
  { key: "blindtapi", label: "Blind transfer by the line itself instead of dialling", kind: "check" },
  { key: "confirmedprefix", label: "Confirmed transfer: dial before the number", kind: "text", hint: FLASH_HINT },
  { key: "confirmedsuffix", label: "Confirmed transfer: dial after the number", kind: "text" },
  { key: "confirmedcomplete", label: "Dial to complete an accepted transfer", kind: "text" },
  { key: "confirmedreject", label: "Dial to return from a refused transfer", kind: "text",
    hint: "\"!\" is a hook flash: it ends the call to the number and returns to the caller" },
  { key: "confirmedrepeat", label: "Confirmed transfer: ask the called party again (times)", kind: "number", min: 0, max: 99 },
  { key: "useconferencecall", label: "Stay on the call after a transfer", kind: "check" },
  { key: "maxrectime", label: "Longest message (seconds)", kind: "number", min: 1, max: 3600 },
  { key: "recthres", label: "Silence threshold (dB)", kind: "number", min: -60, max: 0 },
  { key: "deletefiledays", label: "Delete messages after (days, 0 = never)", kind: "number", min: 0, max: 3650 },
  { key: "lowspacemb", label: "Warn when the disk has less free than (MB, 0 = never)", kind: "number", min: 0, max: 1000000 },
];

const PASSWORD_HINT = "used with the user name";
const EMAIL = [
  { key: "usemapi", label: "Send through this computer's mail program (sendmail) instead of a mail host", kind: "check" },
  { key: "mailhost", label: "Mail host", kind: "text", hint: "name or address, with :port when not 25" },
  { key: "fromemail", label: "Your e-mail address", kind: "text", hint: "the sender, and the recipient the E-mail command proposes" },
  { key: "subject", label: "Subject", kind: "text", hint: "%mailboxname%, %cid%, %callername% and the other call parameters are filled in" },
  { key: "smtpsecurity", label: "Encryption", kind: "select", options: [
    ["starttls-if-offered", "When the mail host offers it (STARTTLS)"],
    ["starttls", "Always, by STARTTLS"],
    ["tls", "From the start (TLS, port 465)"],
    ["none", "Never"]] },
  { key: "smtpverify", label: "Check the mail host's certificate", kind: "check" },
  { key: "smtpuser", label: "User name", kind: "text", hint: "when the mail host wants a login" },
  { key: "smtppassword", label: "Password", kind: "password", hint: PASSWORD_HINT },
];
const MAIL_HOST_ONLY = ["mailhost", "smtpsecurity", "smtpverify", "smtpuser", "smtppassword"];
const EMAIL_TEXT = [{ key: "text", label: "Message text", kind: "textarea", attrs: { rows: "8" },
  hint: "%callername%, %cid% and the other call parameters are filled in; a transcript and a closing line follow it" }];

const GENERAL = [
  { key: "tollsaver", label: "Toll saver: answer at ring 3 with new messages, else at ring 5", kind: "check" },
  { key: "nrings", label: "Rings before answering", kind: "number", min: 1, max: 20 },
  { key: "openwindow", label: "Show the console when a message arrives", kind: "check" },
  { key: "cidflash", label: "Show the caller's number", kind: "check" },
  { key: "audiogain", label: "Gain of played audio (dB)", kind: "number", min: -20, max: 20 },
  { key: "audiohighpass", label: "High-pass filter (Hz, 0 = off)", kind: "number", min: 0, max: 1000 },
  { key: "audiocompressorthres", label: "Compressor threshold (dB, 0 = off)", kind: "number", min: -60, max: 0 },
  { key: "dateorder", label: "Order of dates", kind: "select", hint: "as messages, their e-mails and OGM log lines write the date",
    options: [[-1, "As the system's language has it"], [0, "Month/day/year"], [1, "Day/month/year"], [2, "Year/month/day"]] },
];

const UPDATES = [
  { key: "mode", label: "Look for a new IVR program file on", kind: "select",
    options: [[0, "An FTP server"], [1, "A folder"]], hint: "saving looks at once; a file that changed is loaded" },
  { key: "server", label: "FTP server", kind: "text", hint: "its name or address; the file is fetched without a login" },
  { key: "folder", label: "Folder", kind: "text", hint: "a full path, such as a network share mounted here" },
  { key: "installid", label: "This installation's number", kind: "number", min: 0, max: 2147483647,
    hint: "the file looked for is zav0.ivr" },
  { key: "autocheck", label: "Keep looking", kind: "check" },
  { key: "autocheckinterval", label: "Minutes between looks", kind: "number", min: 1, max: 44640 },
];

function hoursFields() {
  const fields = [{ key: "enabled", label: "Use office hours", kind: "check" }];
  for (const [day, text] of [["weekday", "Monday to Friday"], ["sat", "Saturday"], ["sun", "Sunday"]]) {
    fields.push({ key: `${day}open`, label: `${text} opens`, kind: "text", hint: TIME_HINT });
    const closed = day === "weekday" ? "" : "; the same as the opening: closed all day";
    fields.push({ key: `${day}close`, label: `${text} closes`, kind: "text", hint: TIME_HINT + closed });
  }
  for (const [when, text] of [["during", "During office hours"], ["after", "Outside office hours"]]) {
    fields.push({ key: `${when}mode`, label: text, kind: "select", options: MODES, hint: MODE_HINTS[when] });
    fields.push({ key: `${when}ogm`, label: `${text}: OGM`, kind: "select" });
    fields.push({ key: `${when}rings`, label: `${text}: extra rings`, kind: "number", min: 0, max: 20 });
  }
  return fields;
}

// Each page built so far, read again by refillPages.
const refills = [];

// What the settings file holds now, over anything typed and not saved: the
// settings shown again after closing must not show unsaved values as set.
// `keepChanges`: a page the owner changed and did not save keeps its values
// (they went to another view); otherwise (Close settings) they are dropped.
export async function refillPages({ keepChanges }) {
  await Promise.all(refills.map((refill) => refill(keepChanges)));
}

// A form of `fields` in `container`: filled from `load()`, saved through
// `save(values)`, both answering the values to show. `wire(form)` runs once
// and may answer what to do with the values after each fill. Answers
// {form, section, status, submit} (submit() saves: whether it was saved).
export async function buildSaved(container, heading, fields, { load, save, wire = () => null }) {
  const form = buildForm(fields);
  const section = document.createElement("form");
  section.className = "settings-page";
  section.noValidate = true;
  const status = document.createElement("p");
  status.className = "hint";
  status.setAttribute("role", "status");
  const button = document.createElement("button");
  button.type = "submit";
  button.textContent = "Save";
  section.append(Object.assign(document.createElement("h3"), { textContent: heading }), form.element, button, status);
  const shown = wire(form) || (() => {});
  let filled = "";  // the form as last filled, to tell the owner's changes
  const fill = (values) => {
    form.fill(values);
    shown(values);
    filled = JSON.stringify(form.read());
  };
  // Shown only once filled and wired: typing into it earlier would be
  // overwritten, and a Save before its handler would submit the page away.
  const refill = async (keepChanges = false) => {
    const values = await load();
    if (keepChanges && JSON.stringify(form.read()) !== filled) {
      status.textContent = "Not saved yet: your changes are kept until you Save.";
      return;
    }
    fill(values);
    status.textContent = "";
  };
  await refill();
  refills.push(refill);
  const submit = async () => {
    status.textContent = "";
    try {
      fill(await save(form.read()));
      status.textContent = "Saved.";
      return true;
    } catch (error) {
      if (!form.refuse({ field: error.field, message: error.message })) throw error;
      return false;
    }
  };
  section.addEventListener("submit", guarded((event) => {
    event.preventDefault();
    return submit();
  }));
  container.append(section);
  return { form, section, status, submit };
}

const loadPage = async (name) => (await api(query("/api/settings/page", { name }))).values;

async function savePage(name, values) {
  const answer = await api("/api/settings/page", { page: name, values });
  if (name === "linesettings") document.dispatchEvent(new CustomEvent("settings-restart", { detail: true }));
  return answer.values;
}

// A settings page's form in `container`.
export function buildPage(container, name, fields, heading, wire) {
  return buildSaved(container, heading, fields, {
    load: () => loadPage(name),
    save: (values) => savePage(name, values),
    wire,
  });
}

// The mail host's keys are idle while the mail program sends; a stored
// password is never shown, only said.
function followMailer(form) {
  const mailer = form.controls.usemapi;
  const apply = () => {
    for (const key of MAIL_HOST_ONLY) form.controls[key].disabled = mailer.checked;
  };
  mailer.addEventListener("change", apply);
  const hint = form.controls.smtppassword.closest(".form-field").querySelector(".hint");
  return (values) => {
    apply();
    hint.textContent = values.smtppasswordSet ? "A password is stored; leave this empty to keep it." : PASSWORD_HINT;
  };
}

// Saves the E-mail form, then sends a short message the way it set; the
// outcome (a failure with its reason) stays beside the button until the next try.
function testButton(email) {
  const button = Object.assign(document.createElement("button"), { type: "button", textContent: "Send a test message" });
  const outcome = Object.assign(document.createElement("span"), { className: "hint test-outcome" });
  outcome.setAttribute("role", "status");
  const show = (text, failed = false) => {
    outcome.textContent = text;
    outcome.classList.toggle("field-error", failed);
  };
  button.addEventListener("click", guarded(async () => {
    show("");
    if (!(await email.submit())) return;
    // A text field: a browser's e-mail field refuses letters beyond ASCII; the server checks the address.
    const answer = await ask({ caption: "Send a test message",
      input: { label: "Send to", value: email.form.controls.fromemail.value } });
    if (!answer) return;
    const to = answer.value.trim();
    show(`Sending a test message to ${to}…`);
    try {
      await api("/api/email/test", { to });
      show(`A test message was sent to ${to}.`);
    } catch (error) {
      if (!(error instanceof ApiError)) throw error;
      show(`Not sent: ${error.message}`, true);
    }
  }));
  return [button, " ", outcome];
}

export async function buildTransfer(panel) {
  await buildPage(panel, "transfer", TRANSFER, "Transfer and messages");
  panel.append(await formatButton("Delivery format", "delivery"));
  const email = await buildPage(panel, "email", EMAIL, "E-mail", followMailer);
  email.section.querySelector("button[type=submit]").after(" ", ...testButton(email));
  await buildSaved(panel, "E-mail text", EMAIL_TEXT, {
    load: () => api("/api/settings/emailtemplate"),
    save: (values) => api("/api/settings/emailtemplate", values),
  });
}

// Its OGM choosers are filled again with every fill, and follow the list.
export async function buildHours(panel) {
  let choosers = [];
  await buildSaved(panel, "Office hours", hoursFields(), {
    load: async () => {
      await offerOgms(choosers);
      return loadPage("hours");
    },
    save: (values) => savePage("hours", values),
    wire: (form) => {
      choosers = [form.controls.duringogm, form.controls.afterogm];
      followOgms(choosers);
      return followModes(form);
    },
  });
}

// Each mode shows only what it uses: its OGM (mode 1) or its extra rings (3).
function followModes(form) {
  const apply = () => {
    for (const when of ["during", "after"]) {
      const mode = form.controls[`${when}mode`].value;
      form.controls[`${when}ogm`].closest(".form-field").hidden = mode !== "1";
      form.controls[`${when}rings`].closest(".form-field").hidden = mode !== "3";
    }
  };
  for (const when of ["during", "after"]) form.controls[`${when}mode`].addEventListener("change", apply);
  return apply;
}

// The installation's number names the file looked for.
function followNumber(form) {
  const number = form.controls.installid;
  const hint = number.closest(".form-field").querySelector(".hint");
  const apply = () => {
    hint.textContent = `the file looked for is zav${number.value || 0}.ivr`;
  };
  number.addEventListener("input", apply);
  return apply;
}

export async function buildGeneral(panel) {
  await buildPage(panel, "general", GENERAL, "General");
  await buildPage(panel, "remote", UPDATES, "Program updates", followNumber);
  panel.append(await formatButton("Audio format of saved programs", "program"));
}
