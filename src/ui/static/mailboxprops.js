// The mailbox properties dialog: every key of the selected mailbox's file,
// grouped, and a way to the delivery format all mailboxes share. A refusal
// shows beside its field.
import { api, ApiError, query } from "./api.js";
import { clearErrors, field, group, setValue, showFieldError, valueOf } from "./form-fields.js";
import { greetingElement, showGreeting } from "./mailbox-greeting.js";
import { guarded } from "./notices.js";
import { formatButton } from "./settings-format.js";

const dialog = document.getElementById("mbx-props");
const form = document.getElementById("mbx-props-form");
const title = document.getElementById("mbx-props-title");
const fields = document.getElementById("mbx-props-fields");
const formError = document.getElementById("mbx-props-error");
const mailboxList = document.getElementById("mailbox-list");

const GROUPS = [
  ["Remote access", [
    ["remoteaccess", "check", "Allow remote access by telephone"],
    ["accesscode", "text", "Access code", "Digits; callers key them, then #", { inputmode: "numeric", autocomplete: "off" }],
    ["remoteaccesstime", "check", "Say the time of each message before playing it"],
  ]],
  ["When a message arrives", [
    ["callscreen", "check", "Call screening (listen while the caller speaks)"],
    ["beep", "check", "Beep through the speakers"],
  ]],
  ["Email", [
    ["sendemail", "check", "E-mail each new message (Email Notification or Send)"],
    ["emailaddress", "text", "Email address", "One address; a name may come first: Name <name@example.com>", { inputmode: "email", autocomplete: "off" }],
    ["sendemailaudio", "check", "Attach the message audio"],
    ["sendemaildelete", "check", "Delete the message once it is e-mailed"],
    ["speechtotext", "check", "Put the message as text into the e-mail (speech-to-text)"],
    ["speechtotextengine", "number", "Recognition engine", "Its number among the installed engines, from 0", { min: 0, max: 99 }],
    ["speechtotextspeaker", "text", "Speaker profile", "Empty = the engine's default"],
  ]],
  ["Upload to Internet (FTP)", [
    ["sendftp", "check", "Upload to Internet"],
    ["ftpserver", "text", "FTP server", "", { autocomplete: "off" }],
    ["ftpuser", "text", "User name", "", { autocomplete: "off" }],
    ["ftppass", "password", "Password", "", { autocomplete: "new-password" }],
    ["ftppassClear", "check", "Remove the stored password"],
    ["ftpdir", "text", "Server directory", "Empty = none"],
  ]],
  ["Send to folder", [
    ["sendtofolder", "check", "Copy new messages to a folder"],
    ["sendfolder", "text", "Folder", "A full path"],
  ]],
  ["Forward by telephone", [
    ["forwardtel", "check", "Forward new messages by telephone"],
    ["forwardnumber", "text", "Numbers to call", "Several numbers separated by \\ are tried in turn"],
    ["maxforwardattempts", "number", "Calls before giving up", "", { min: 1, max: 99 }],
    ["forwardfailwaitmins", "number", "Minutes to wait after a failed call", "", { min: 0, max: 10080 }],
    ["forwardrepeat", "number", "Times the offer is repeated on a call", "", { min: 0, max: 255 }],
    ["autoplay", "check", "Play the new messages as soon as the call is answered"],
  ]],
];

const wraps = new Map(); // key -> wrapper
let mailbox = "";
let state = null; // {unsentmessages, forwardattempts, forwardattempttime} as read

function build() {
  for (const [legend, fieldList] of GROUPS) {
    const list = fieldList.map(([key, kind, label, hint, attrs]) => {
      const wrap = field({ key, kind, label, hint, attrs });
      wraps.set(key, wrap);
      return wrap;
    });
    fields.append(group(legend, list));
  }
  const stateLine = document.createElement("p");
  stateLine.id = "mbx-props-state";
  stateLine.className = "hint";
  fields.append(stateLine);
  fields.append(Object.assign(document.createElement("div"), { id: "mbx-props-format" }));
  fields.append(greetingElement());
  const switches = ["sendemail", "sendemailaudio", "speechtotext", "sendftp", "sendtofolder", "forwardtel", "remoteaccess"];
  for (const key of switches) wraps.get(key).control.addEventListener("change", applyDependencies);
}

const control = (key) => wraps.get(key).control;

// As the dialog allows: deleting needs the audio attached, speech-to-text
// needs e-mail, its engine and speaker need it on; a method's fields follow
// its switch. Disabled fields are still sent, so their stored values stay.
function applyDependencies() {
  const on = (key) => control(key).checked;
  for (const key of ["emailaddress", "sendemailaudio", "speechtotext"]) control(key).disabled = !on("sendemail");
  control("sendemaildelete").disabled = !on("sendemail") || !on("sendemailaudio");
  for (const key of ["speechtotextengine", "speechtotextspeaker"])
    control(key).disabled = !on("sendemail") || !on("speechtotext");
  for (const key of ["ftpserver", "ftpuser", "ftppass", "ftppassClear", "ftpdir"]) control(key).disabled = !on("sendftp");
  control("sendfolder").disabled = !on("sendtofolder");
  for (const key of ["forwardnumber", "maxforwardattempts", "forwardfailwaitmins", "forwardrepeat", "autoplay"])
    control(key).disabled = !on("forwardtel");
  control("accesscode").disabled = !on("remoteaccess");
  control("remoteaccesstime").disabled = !on("remoteaccess");
}

function show(answer) {
  mailbox = answer.mailbox;
  title.textContent = `Mailbox Properties - ${mailbox}`;
  const properties = answer.properties;
  for (const [key, wrap] of wraps) if (key in properties) setValue(wrap.control, properties[key]);
  const password = control("ftppass");
  password.value = "";
  password.placeholder = properties.ftppassSet ? "(kept; type to change)" : "";
  control("ftppassClear").checked = false;
  wraps.get("ftppassClear").hidden = !properties.ftppassSet;
  state = properties;
  document.getElementById("mbx-props-state").textContent =
    `Undelivered messages: ${state.unsentmessages ? "yes" : "no"}; ${forwardingState(state)}.`;
  applyDependencies();
}

// The calls about new messages stop once all are made, until a new message.
function forwardingState(properties) {
  const made = Number(properties.forwardattempts) || 0;
  const most = Number(properties.maxforwardattempts) || 0;
  const text = `forwarding calls made: ${made}`;
  return properties.forwardtel && most && made >= most ? `${text} of ${most}, no more until a new message arrives` : text;
}

function collect() {
  const properties = {};
  for (const [key, wrap] of wraps) properties[key] = valueOf(wrap.control);
  return { mailbox, properties };
}

async function save(event) {
  event.preventDefault();
  clearErrors(fields);
  formError.textContent = "";
  try {
    show(await api("/api/mailbox-properties", collect()));
    dialog.close();
  } catch (error) {
    const wrap = error instanceof ApiError && wraps.get(error.field);
    if (wrap) showFieldError(wrap, error.field, error.message);
    else formError.textContent = error.message;
  }
}

async function open() {
  const name = mailboxList.value;
  if (!name) throw new Error("Select a mailbox first.");
  if (!wraps.size) build();
  clearErrors(fields);
  formError.textContent = "";
  show(await api(query("/api/mailbox-properties", { mailbox: name })));
  await showGreeting(mailbox);
  // The delivery format is one file for every mailbox: the settings' chooser.
  document.getElementById("mbx-props-format").replaceChildren(await formatButton("Delivery format (all mailboxes)", "delivery"));
  dialog.showModal();
  control("remoteaccess").focus();
}

form.addEventListener("submit", save); // OK and Enter
document.getElementById("mbx-props-cancel").addEventListener("click", (event) => {
  event.preventDefault();
  dialog.close();
});
document.getElementById("mbx-properties").addEventListener("click", guarded(open));
