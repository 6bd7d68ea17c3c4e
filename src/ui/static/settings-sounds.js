// The settings' Sounds page: the audio files an OGM plays by path (a play
// action, the file played instead of the OGM's own audio, an announcement),
// kept in the data folder's "Sounds" folder. A new sound gets its audio
// through the widget (recorded, loaded or spoken); the path shown is what
// the OGM editor's file fields take (they offer it too).
import { api, query } from "./api.js";
import { audioWidget } from "./audio-widget.js";
import { ask, confirmBox } from "./dialogs.js";
import { el } from "./form-fields.js";
import { guarded } from "./notices.js";

let list = null;
let remove = null;
let sounds = [];
let fresh = ""; // a new name, listed until it has audio

const widget = audioWidget({ id: "sound", path: "/api/sound/audio", onChange: () => refresh() });

function showSelected() {
  const sound = sounds.find((s) => s.name === list.value);
  remove.disabled = !sound;
  if (sound) return widget.show(sound.name, `File for the OGMs: ${sound.path}`);
  if (list.value) return widget.show(list.value, "A new sound: record, load or synthesize its audio.", { canPlay: false });
  widget.show("", "No sounds yet: add one with New sound.");
}

export async function refresh() {
  ({ sounds } = await api("/api/sounds"));
  const chosen = list.value;
  if (sounds.some((s) => s.name === fresh)) fresh = "";
  const names = sounds.map((s) => s.name);
  if (fresh) names.push(fresh);
  names.sort((a, b) => a.localeCompare(b, "en", { numeric: true }));
  list.replaceChildren(...names.map((name) => new Option(name, name)));
  list.value = chosen;
  if (list.selectedIndex < 0 && names.length) list.selectedIndex = 0;
  showSelected();
}

async function add() {
  const answer = await ask({ caption: "New Sound", input: { label: "Sound name" } });
  const name = answer?.value.trim();
  if (!name) return;
  fresh = name;
  await refresh();
  list.value = name;
  showSelected();
}

async function removeSound() {
  const name = list.value;
  if (!(await confirmBox("Delete Sound", `Delete the sound ${name}? OGMs that play it will play nothing.`))) return;
  await api(query("/api/sound/delete", { name }), {});
  await refresh();
}

export async function build(panel) {
  list = el("select", { id: "sound-list", size: 12, className: "prompt-list" });
  list.addEventListener("change", showSelected);
  const create = el("button", { type: "button", id: "sound-new" }, "New sound");
  create.addEventListener("click", guarded(add));
  remove = el("button", { type: "button", id: "sound-delete" }, "Delete");
  remove.addEventListener("click", guarded(removeSound));
  const choice = el("div", { className: "prompt-choice" }, el("label", { htmlFor: "sound-list" }, "Sounds"), list,
    el("div", { className: "buttons" }, create, remove));
  panel.append(el("div", { className: "prompt-page" }, choice, widget.element));
  await refresh();
}
