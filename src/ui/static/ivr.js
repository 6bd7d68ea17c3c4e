// The IVR program commands: new, load (with its question and progress),
// save (its choices, then the download) and the notes.
import { api, query } from "./api.js";
import { ask, confirmBox } from "./dialogs.js";
import { setProgress } from "./notices.js";

const fileLine = document.getElementById("ivr-file");
const fileInput = document.getElementById("ivr-file-input");
let loading = false; // the engine reports load steps
let sending = false; // a program file is on its way

// Re-reads the program's state; shows the notes once after a load that asks for them.
export async function loadIvr() {
  const ivr = await api("/api/ivr");
  fileLine.textContent = `${ivr.file ? `Program file: ${ivr.file}` : "No program file"}${ivr.modified ? " (modified)" : ""}`;
  if (ivr.showNotes) {
    await api("/api/ivr/notes-shown", {});
    await showNotes("IVR Program Notes");
  }
  return ivr;
}

export async function newProgram(afterwards) {
  const sure = await confirmBox("New IVR", "This will delete all existing OGMs. Are you sure you wish to create a new IVR Program?");
  if (!sure) return;
  await api("/api/ivr/new", {});
  await afterwards();
}

export async function chooseProgram() {
  const ivr = await api("/api/ivr");
  if (ivr.modified) {
    const sure = await confirmBox("Load IVR", "Loading an IVR Program File can replace existing OGMs. Are you sure you wish to proceed?");
    if (!sure) return;
  }
  fileInput.value = "";
  fileInput.click();
}

// Sends the chosen file; the load runs in the engine and reports through the status.
export async function sendProgram() {
  const file = fileInput.files[0];
  if (!file) return;
  sending = true;
  setProgress("Load File", `Sending ${file.name}`, 0);
  try {
    await api(query("/api/ivr/load", { name: file.name }), file);
  } finally {
    sending = false;
    if (!loading) setProgress("");
  }
}

// Follows the engine's load steps; true when a load just ended (its
// steps stopped, or its outcome came), so the lists are read again.
export function loadProgress(status, before) {
  if (status.loadStep) {
    loading = true;
    setProgress("Load File", status.loadStep, status.loadFraction);
    return false;
  }
  const ended = loading || (before !== null && status.loadNotices !== before.loadNotices);
  loading = false;
  if (ended && !sending) setProgress("");
  return ended;
}

// The save-contents choices: what goes into the file, then the file's name.
const LISTS = [
  ["ogms", "OGMs"],
  ["mailboxes", "Mailboxes"],
  ["prompts", "System prompts"],
  ["programs", "Program files"],
];
const FLAGS = [
  ["ogmDelete", "Loading deletes the OGMs not in the file"],
  ["mailboxDelete", "Loading deletes the mailboxes not in the file"],
  ["mailboxGreetings", "Save the mailboxes' greetings"],
  ["notes", "Save the notes"],
  ["notesPopup", "Show the notes after loading"],
];

// The settings that travel with the program, one "section:key:value" a line.
const SETTINGS_LABEL = "Settings saved with it, one a line as section:key:value";

function settingsText(settings) {
  return settings.map(({ section, key, value }) => `${section}:${key}:${value}`).join("\n");
}

function settingsOf(text) {
  return text.split("\n").filter((line) => line.trim()).map((line) => {
    const [section, key, ...value] = line.split(":");
    if (!value.length) throw new Error(`Write each setting as section:key:value, not "${line}".`);
    return { section: section.trim(), key: key.trim(), value: value.join(":") };
  });
}

// Names the saved OGMs' mailboxes left out: loaded elsewhere, a message
// left there makes the mailbox anew, with none of its settings.
function missingMailboxes(leadsTo, { groups }) {
  const missing = [];
  for (const ogm of groups.ogms) {
    for (const mailbox of leadsTo[ogm] || [])
      if (!groups.mailboxes.includes(mailbox)) missing.push(`the OGM "${ogm}" leads to the mailbox "${mailbox}"`);
  }
  if (!missing.length) return "";
  return `Not saved: ${missing.join("; ")}. Where the file is loaded, the first message left there makes the mailbox anew, without its e-mail, FTP, forwarding or remote access.`;
}

export async function saveProgram() {
  const [ivr, options] = await Promise.all([api("/api/ivr"), api("/api/ivr/save-options")]);
  const { choices, available } = options;
  const answer = await ask({
    caption: "Save IVR Program",
    input: { label: "File name", value: options.name || ivr.file || "Zavotel.ivr" },
    groups: LISTS.map(([name, legend]) => ({ name, legend, options: available[name] || [], chosen: choices[name] || [] })),
    textarea: { label: SETTINGS_LABEL, value: settingsText(choices.settings || []), rows: 3 },
    checks: FLAGS.map(([name, label]) => ({ name, label, checked: choices[name] })),
    warn: (chosen) => missingMailboxes(options.leadsTo || {}, chosen),
  });
  if (!answer) return;
  let name = answer.value.trim();
  if (!/\.ivr$/i.test(name)) name += ".ivr";
  const settings = settingsOf(answer.text);
  setProgress("Save File", name, 0);
  try {
    const saved = await api("/api/ivr/save", { name, ...answer.groups, settings, ...answer.checks });
    const link = document.createElement("a");
    link.href = saved.download;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
  } finally {
    setProgress("");
  }
  await loadIvr();
}

// `caption`: the Notes command shows the file; a load that asks for its notes, the program's.
export async function showNotes(caption = "notes.txt") {
  const notes = await api("/api/ivr/notes");
  const answer = await ask({ caption, textarea: { label: "Notes", value: notes.text }, okText: "Save" });
  if (!answer || answer.value === notes.text) return;
  await api("/api/ivr/notes", { text: answer.value });
}
