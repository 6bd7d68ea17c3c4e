// The Devices page: the lines with Add, Remove, Properties and Line
// settings, then the sound cards for playing and announcing and the fax
// options.
import { api } from "./api.js";
import { confirmBox } from "./dialogs.js";
import { guarded } from "./notices.js";
import { openDialog } from "./settings-dialog.js";
import { buildPage } from "./settings-pages.js";

const LINE_SETTINGS = [
  { key: "eocdetectplay", label: "Listen for the end of the call while playing", kind: "check" },
  { key: "eocdetectsoftware", label: "Detect the busy tone in software", kind: "check" },
  { key: "delayeoc", label: "End-of-call delay (ms)", kind: "number", min: 0, max: 60000 },
  { key: "delaydtmf", label: "Key delay (ms)", kind: "number", min: 0, max: 10000 },
  { key: "drsoftware", label: "Detect distinctive ringing in software", kind: "check" },
  { key: "drtime", label: "Distinctive ring time (ms)", kind: "number", min: 0, max: 10000 },
];
const VOICE_NOTE =
  "Every SIP device carries voice, so any of them may be chosen. A device's own settings are on the SIP devices tab.";

let list = null;
let state = { lines: [], devices: [], free: null };

function show(answer) {
  state = answer;
  const chosen = list.value;
  list.replaceChildren(...answer.lines.map((line) => new Option(line.text, String(line.section))));
  if ([...list.options].some((option) => option.value === chosen)) list.value = chosen;
  else if (list.options.length) list.selectedIndex = 0;
  document.getElementById("line-add").disabled = answer.free === null;
  document.dispatchEvent(new CustomEvent("settings-restart", { detail: answer.restart }));
}

export async function refresh() {
  show(await api("/api/settings/lines"));
}

async function properties(line) {
  const ogms = (await api("/api/ogms")).ogms;
  if (line && !ogms.includes(line.ogm)) ogms.push(line.ogm);
  const answer = await openDialog({
    caption: line ? `Properties of ${line.name}` : "Add a line",
    note: VOICE_NOTE,
    fields: [
      { key: "name", label: "Name", kind: "text" },
      { key: "device", label: "SIP device", kind: "select", options: state.devices.map((name, i) => [i, name]) },
      { key: "ogmoverride", label: "Answer this line with its own OGM", kind: "check" },
      { key: "ogm", label: "Its OGM", kind: "select", options: ogms.map((name) => [name, name]) },
      { key: "cidflash", label: "Show the caller's number for this line", kind: "check" },
      { key: "outbound", label: "Outbound and forwarding calls may use this line", kind: "check" },
    ],
    values: line || {
      name: `Line ${state.free + 1}`, device: 0, ogmoverride: false, ogm: ogms[0] || "", cidflash: true, outbound: true,
    },
    save: (values) => api("/api/settings/lines/save", { ...values, section: line ? line.section : null }),
  });
  if (answer) show(answer);
}

function selected() {
  return state.lines.find((line) => String(line.section) === list.value);
}

async function remove() {
  if (!selected()) return;
  if (!(await confirmBox("Confirm Remove", "Are you sure you no longer want the ZAV to use the selected line?"))) return;
  show(await api("/api/settings/lines/remove", { section: selected().section }));
}

async function lineSettings() {
  const values = (await api("/api/settings/page?name=linesettings")).values;
  const answer = await openDialog({
    caption: "Line settings",
    fields: LINE_SETTINGS,
    values,
    save: (changed) => api("/api/settings/page", { page: "linesettings", values: changed }),
  });
  if (answer) document.dispatchEvent(new CustomEvent("settings-restart", { detail: true }));
}

// The sound system's own devices by name; its "null" device discards the sound.
const OUTPUT_LABELS = new Map([["null", "None (no sound device: nothing is heard)"]]);

function soundFields(outputs) {
  const cards = [[-1, "The default sound card"], ...outputs.map((name, i) => [i, OUTPUT_LABELS.get(name) ?? name])];
  return [
    { key: "playdevice", label: "Play messages on", kind: "select", options: cards },
    { key: "playvolume", label: "Play volume (dB)", kind: "number", min: -60, max: 20 },
    { key: "announcedevice", label: "Announce calls on", kind: "select", options: cards },
    { key: "announcevolume", label: "Announcement volume (dB)", kind: "number", min: -60, max: 20 },
    { key: "fax", label: "Pass fax calls on by dialling the number below", kind: "check",
      hint: "Otherwise a fax call is handed to a fax program; there is none here, so the call is dropped." },
    { key: "faxdial", label: "Fax number to dial", kind: "text" },
  ];
}

export async function build(panel) {
  panel.innerHTML = `<h3 id="lines-heading">Lines</h3>
    <select id="line-list" class="line-list" size="6" aria-labelledby="lines-heading"></select>
    <div class="buttons"><button id="line-add" type="button">Add</button>
    <button id="line-remove" type="button">Remove</button>
    <button id="line-properties" type="button">Properties</button>
    <button id="line-settings" type="button">Line settings</button></div>`;
  list = panel.querySelector("#line-list");
  const click = (id, action) => panel.querySelector(id).addEventListener("click", guarded(action));
  click("#line-add", () => properties(null));
  click("#line-remove", remove);
  click("#line-properties", () => selected() && properties(selected()));
  click("#line-settings", lineSettings);
  list.addEventListener("dblclick", guarded(() => selected() && properties(selected())));
  list.addEventListener("keydown", (event) => {
    if (event.key === "Enter" && selected()) guarded(properties)(selected());
    if (event.key === "Delete") guarded(remove)();
  });
  await refresh();
  const outputs = (await api("/api/settings/sounds")).outputs;
  await buildPage(panel, "devices", soundFields(outputs), "Sound and fax");
}
