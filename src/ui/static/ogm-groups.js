// The OGM editor's pages, grouped as the owner thinks of them: what plays,
// how the node waits, what each key does, number entry, when the OGM is
// valid, the programs it starts, and its log line and announcement.
import { actionBlocks, MAILBOX_LIST, OGM_LIST } from "./ogm-actions.js";
import { check, choice, el, number, text } from "./ogm-fields.js";

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

function set(legend, ...parts) {
  return el("fieldset", { className: "ogm-set" }, el("legend", { textContent: legend }), ...parts);
}

// The date-time date fields as the browser's own picker.
function date(field, label) {
  const box = text(field, label, { hint: "empty: none" });
  box.querySelector("input").type = "datetime-local";
  box.querySelector("input").step = "1";
  return box;
}

function plays(voices) {
  const voiceOptions = voices.length ? voices.map((name, i) => [i, name]) : [[0, "(no voice installed)"]];
  const script = el("textarea", { id: "ogm-text", rows: 6 });
  script.dataset.text = "true";
  return page(
    "plays",
    "What plays",
    set(
      "Audio file",
      el("p", { id: "ogm-audio-state", className: "hint" }),
      el("audio", { id: "ogm-audio", controls: true, preload: "none" }),
      el(
        "div",
        { className: "field" },
        el("label", { htmlFor: "ogm-audio-file", textContent: "Import a WAVE or MP3 file" }),
        el("input", { id: "ogm-audio-file", type: "file", accept: ".wav,.mp3,audio/wav,audio/mpeg" }),
      ),
    ),
    set(
      "Spoken text",
      el("label", { htmlFor: "ogm-text", textContent: "Script/Notes (the text spoken, and the description)" }),
      script,
      check("ivr.playtts", "Speak the text instead of playing the audio"),
      choice("ivr.playttsvoice", "Voice", voiceOptions),
      el("div", { className: "buttons" }, el("button", { type: "button", id: "ogm-preview", textContent: "Preview" })),
      el("audio", { id: "ogm-preview-audio", controls: true, hidden: true }),
    ),
    set(
      "Other file",
      check("ivr.playex", "Play another file instead"),
      text("ivr.playexfile", "File to play", { hint: "WAVE, or MP3 when it ends in .mp3" }),
    ),
    set(
      "Read a number",
      check("ivr.readnumber", "After the audio, speak a parameter"),
      text("ivr.readnumbervar", "Parameter"),
      choice("ivr.readnumbertype", "Speak it as", READ_TYPES),
    ),
  );
}

function waits() {
  return page(
    "wait",
    "Wait and type",
    choice("ivr.type", "Type", [
      ["menu", "Menu"],
      ["enternumber", "Number entry"],
    ]),
    number("ivr.wait", "Wait for a key", { min: 0, max: 3600, hint: "seconds after the audio" }),
    number("ivr.repeat", "Repeat the audio", { min: 0, max: 99, hint: "times when no key comes" }),
    check("ivr.answer", "Answer (shown in the OGM list)"),
  );
}

function entry() {
  return page(
    "entry",
    "Number entry",
    text("ivr.varname", "Store the number as parameter"),
    number("ivr.maxdigits", "Digits", { min: 1, max: 31, hint: "the entry completes at this many, or with #" }),
    set(
      "Limits",
      check("ivr.varlimit", "Accept only numbers within limits"),
      number("ivr.varlimitmin", "Smallest"),
      number("ivr.varlimitmax", "Largest"),
    ),
    set(
      "List",
      check("ivr.varlimitlistenabled", "Check the number against a list"),
      check("ivr.varlimitlistexclude", "Refuse the numbers listed (else accept only them)"),
      check("ivr.varlimitlistisfile", "Read the list from a file"),
      text("ivr.varlimitlistfile", "List file"),
      text("ivr.varlimitlist", "List", { hint: "comma-separated" }),
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
    set(
      "Date and time",
      check("datetime.enabled", "Check the date and time when the OGM is entered"),
      date("datetime.commence", "Valid from"),
      date("datetime.expire", "Valid until"),
      text("datetime.todstart", "Daily from", { placeholder: "hh:mm:ss" }),
      text("datetime.todend", "Daily until", { placeholder: "hh:mm:ss", hint: "24:00:00 is the end of the day" }),
      days,
      choice("datetime.failmode", "When not valid", [
        [0, "Use the OGM anyway"],
        [1, "Skip to another OGM"],
        [2, "Don't answer or allow this OGM"],
      ]),
      text("datetime.failogm", "OGM to use instead", { list: OGM_LIST }),
    ),
    set(
      "Number identification",
      check("cid.enabled", "Check the number when the OGM is entered"),
      choice("cid.idtype", "Number", [
        [0, "Caller ID"],
        [1, "Dialed ID"],
        [2, "Distinctive Ring"],
      ]),
      choice("cid.cidscanmode", "Condition", [
        [0, "starts with"],
        [1, "is"],
        [2, "doesn't start with"],
        [3, "is not"],
      ]),
      text("cid.cid", "Number, prefix or list", { hint: "comma-separated" }),
      choice("cid.mode", "When the condition holds", [
        [0, "Use the OGM anyway"],
        [1, "Skip to another OGM"],
        [2, "Don't answer or allow this OGM"],
      ]),
      text("cid.ogm", "OGM to use instead", { list: OGM_LIST }),
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
    check("ivr.run", "Run programs when the OGM starts"),
    list,
    runcount,
    el(
      "div",
      { className: "buttons" },
      el("button", { type: "button", id: "ogm-run-add", textContent: "Add" }),
      el("button", { type: "button", id: "ogm-run-edit", textContent: "Edit" }),
      el("button", { type: "button", id: "ogm-run-delete", textContent: "Delete" }),
    ),
    check("ivr.runasplugin", "Run as plug-ins (their output becomes parameters)"),
    check("ivr.runcompleteskip", "When the plug-in returns, take the play-complete action at once"),
  );
}

function logging() {
  return page(
    "log",
    "Log and announce",
    set(
      "Log",
      check("ivr.log", "Write a line to a log file when the OGM starts"),
      text("ivr.logname", "Log file name", { hint: "in the log folder, .txt added" }),
      text("ivr.logline", "Line"),
    ),
    set(
      "Announcement",
      check("ivr.announcecall", "Play an announcement on this computer when the OGM starts"),
      text("ivr.announceplay", "Announcement file"),
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
  fill(MAILBOX_LIST, choices.mailboxes);
}
