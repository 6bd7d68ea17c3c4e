// The OGM editor's pages, grouped as the owner thinks of them: what plays,
// how the node waits, what each key does, number entry, when the OGM is
// valid, the programs it starts, and its log line and announcement.
import { actionBlocks, MAILBOX_LIST, OGM_LIST, SOUND_LIST } from "./ogm-actions.js";
import { el, field, group, sortedNames } from "./form-fields.js";

const DAYS = ["Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"];
const READ_TYPES = [
  [0, "Digits"],
  [1, "Number"],
  [2, "Dollars & Cents"],
  [3, "Dollars (Whole)"],
];

function page(id, title, ...parts) {
  const panel = el("section", { className: "ogm-page", id: `ogm-page-${id}` }, ...parts);
  panel.setAttribute("role", "tabpanel");
  panel.setAttribute("aria-label", title);
  return { id, title, panel };
}

// The date-time date fields as the browser's own picker.
function date(key, label) {
  return field({ key, kind: "text", label, hint: "empty: none", attrs: { type: "datetime-local", step: "1" } });
}

function plays(voices) {
  const voiceOptions = voices.length ? voices.map((name, i) => [i, name]) : [[0, "(no voice installed)"]];
  const script = el("textarea", { id: "ogm-text", rows: 6 });
  script.dataset.text = "true";
  return page(
    "plays",
    "What plays",
    group("Audio file", el("div", { id: "ogm-audio-place" })),
    group(
      "Spoken text",
      el("label", { htmlFor: "ogm-text", textContent: "Script/Notes (the text spoken, and the description)" }),
      script,
      field({ key: "ivr.playtts", kind: "check", label: "Speak the text instead of playing the audio" }),
      field({ key: "ivr.playttsvoice", kind: "select", label: "Voice", options: voiceOptions }),
      el("div", { className: "buttons" }, el("button", { type: "button", id: "ogm-preview", textContent: "Preview" })),
      el("audio", { id: "ogm-preview-audio", controls: true, hidden: true }),
    ),
    group(
      "Other file",
      field({ key: "ivr.playex", kind: "check", label: "Play another file instead" }),
      field({ key: "ivr.playexfile", kind: "text", label: "File to play", hint: "WAVE, or MP3 when it ends in .mp3",
        attrs: { list: SOUND_LIST } }),
    ),
    group(
      "Read a number",
      field({ key: "ivr.readnumber", kind: "check", label: "After the audio, speak a parameter",
        hint: "not after spoken text: write %name% into the text instead" }),
      field({ key: "ivr.readnumbervar", kind: "text", label: "Parameter" }),
      field({ key: "ivr.readnumbertype", kind: "select", label: "Speak it as", options: READ_TYPES }),
    ),
  );
}

function waits() {
  return page(
    "wait",
    "Wait and type",
    field({ key: "ivr.type", kind: "select", label: "Type", options: [
      ["menu", "Menu"],
      ["enternumber", "Number entry"],
    ] }),
    field({ key: "ivr.wait", kind: "number", label: "Wait for a key", min: 0, max: 3600, hint: "seconds after the audio" }),
    field({ key: "ivr.repeat", kind: "number", label: "Repeat the audio", min: 0, max: 99, hint: "times when no key comes" }),
    field({ key: "ivr.answer", kind: "check", label: "An answering OGM (marked in the OGM list, offered for outbound calls)" }),
  );
}

function entry() {
  return page(
    "entry",
    "Number entry",
    el("p", { className: "hint" }, "For an OGM of the type Number entry: the digits the caller keys go into the number. "
      + "When it is complete the Keys page's # action is taken; * takes the * action."),
    field({ key: "ivr.varname", kind: "text", label: "Store the number as parameter" }),
    field({ key: "ivr.maxdigits", kind: "number", label: "Digits", min: 1, max: 31, hint: "the entry completes at this many, or with #" }),
    group(
      "Limits",
      field({ key: "ivr.varlimit", kind: "check", label: "Accept only numbers within limits" }),
      field({ key: "ivr.varlimitmin", kind: "number", label: "Smallest" }),
      field({ key: "ivr.varlimitmax", kind: "number", label: "Largest" }),
    ),
    group(
      "List",
      field({ key: "ivr.varlimitlistenabled", kind: "check", label: "Check the number against a list" }),
      field({ key: "ivr.varlimitlistexclude", kind: "check", label: "Refuse the numbers listed (else accept only them)" }),
      field({ key: "ivr.varlimitlistisfile", kind: "check", label: "Read the list from a file" }),
      field({ key: "ivr.varlimitlistfile", kind: "text", label: "List file" }),
      field({ key: "ivr.varlimitlist", kind: "text", label: "List", hint: "comma-separated" }),
    ),
  );
}

function validity() {
  const days = el("fieldset", { className: "ogm-days" }, el("legend", { textContent: "Days" }));
  DAYS.forEach((day, bit) => {
    const box = el("input", { type: "checkbox", id: `ogm-day-${bit}` });
    box.dataset.bit = String(bit);
    days.append(el("span", {}, box, el("label", { htmlFor: box.id, textContent: day })));
  });
  const weekdays = el("input", { type: "hidden" });
  weekdays.dataset.field = "datetime.weekdays";
  weekdays.dataset.kind = "int";
  days.append(weekdays, el("p", { className: "field-error", id: "ogm-days-error" }));
  weekdays.setAttribute("aria-describedby", "ogm-days-error");
  return page(
    "valid",
    "Validity",
    group(
      "Date and time",
      field({ key: "datetime.enabled", kind: "check", label: "Check the date and time when the OGM is entered" }),
      date("datetime.commence", "Valid from"),
      date("datetime.expire", "Valid until"),
      field({ key: "datetime.todstart", kind: "text", label: "Daily from", attrs: { placeholder: "hh:mm:ss" } }),
      field({ key: "datetime.todend", kind: "text", label: "Daily until", hint: "24:00:00 is the end of the day", attrs: { placeholder: "hh:mm:ss" } }),
      days,
      field({ key: "datetime.failmode", kind: "select", label: "When not valid", options: [
        [0, "Use the OGM anyway"],
        [1, "Skip to another OGM"],
        [2, "Don't answer or allow this OGM"],
      ] }),
      field({ key: "datetime.failogm", kind: "text", label: "OGM to use instead", attrs: { list: OGM_LIST } }),
    ),
    group(
      "Number identification",
      field({ key: "cid.enabled", kind: "check", label: "Check the number when the OGM is entered" }),
      field({ key: "cid.idtype", kind: "select", label: "Number", options: [
        [0, "Caller ID"],
        [1, "Dialed ID"],
        [2, "Distinctive Ring"],
      ] }),
      field({ key: "cid.cidscanmode", kind: "select", label: "Condition", options: [
        [0, "starts with"],
        [1, "is"],
        [2, "doesn't start with"],
        [3, "is not"],
      ] }),
      field({ key: "cid.cid", kind: "text", label: "Number, prefix or list", hint: "comma-separated" }),
      field({ key: "cid.mode", kind: "select", label: "When the condition holds", options: [
        [0, "Use the OGM anyway"],
        [1, "Skip to another OGM"],
        [2, "Don't answer or allow this OGM"],
      ] }),
      field({ key: "cid.ogm", kind: "text", label: "OGM to use instead", attrs: { list: OGM_LIST } }),
    ),
  );
}

function programs() {
  const list = el("ol", { id: "ogm-runs", className: "ogm-runs" });
  const runcount = el("input", { type: "hidden" });
  runcount.dataset.field = "ivr.runcount";
  runcount.dataset.kind = "int";
  return page(
    "programs",
    "Programs",
    field({ key: "ivr.run", kind: "check", label: "Run programs when the OGM starts" }),
    list,
    runcount,
    el(
      "div",
      { className: "buttons" },
      el("button", { type: "button", id: "ogm-run-add", textContent: "Add" }),
      el("button", { type: "button", id: "ogm-run-edit", textContent: "Edit" }),
      el("button", { type: "button", id: "ogm-run-delete", textContent: "Delete" }),
    ),
    el("p", { className: "hint" }, "A command line may hold parameters such as %cid% or %number%. A plug-in writes "
      + "name=value pairs joined by & (URL-encoded) to its output; the OGMs after this one can use them as %name%."),
    field({ key: "ivr.runasplugin", kind: "check", label: "Run as plug-ins (their output becomes parameters)" }),
    field({ key: "ivr.runcompleteskip", kind: "check", label: "When the plug-in returns, take the play-complete action at once" }),
  );
}

function logging() {
  return page(
    "log",
    "Log and announce",
    group(
      "Log",
      field({ key: "ivr.log", kind: "check", label: "Write a line to a log file when the OGM starts" }),
      field({ key: "ivr.logname", kind: "text", label: "Log file name", hint: "in the log folder, .txt added" }),
      field({ key: "ivr.logline", kind: "text", label: "Line" }),
    ),
    group(
      "Announcement",
      field({ key: "ivr.announcecall", kind: "check", label: "Play an announcement on this computer when the OGM starts" }),
      field({ key: "ivr.announceplay", kind: "text", label: "Announcement file", attrs: { list: SOUND_LIST } }),
    ),
  );
}

// Every page of the editor for the choices the server offers.
export function buildPages(choices) {
  const keys = page("keys", "Keys", ...actionBlocks(choices.prefixes, choices.actions));
  return [plays(choices.voices), waits(), keys, entry(), validity(), programs(), logging()];
}

export function fillLists(choices) {
  const fill = (id, names) =>
    document.getElementById(id).replaceChildren(...names.map((name) => el("option", { value: name })));
  fill(OGM_LIST, choices.ogms);
  fill(MAILBOX_LIST, sortedNames(choices.mailboxes));
  fill(SOUND_LIST, choices.sounds);
}
