// The OGM editor: a full-size dialog any page opens with the "ogm-edit"
// event (detail {name}). It shows every key of the OGM grouped in pages,
// saves them whole, and tells the pages with "ogm-saved" (detail {name}).
import { api, apiBlob, query } from "./api.js";
import { audioWidget } from "./audio-widget.js";
import { ask, confirmBox } from "./dialogs.js";
import { MAILBOX_LIST, OGM_LIST, refreshBlocks, SOUND_LIST, unused } from "./ogm-actions.js";
import { clearErrors, controls, el, setValue, showFieldError, valueOf } from "./form-fields.js";
import { buildPages, fillLists } from "./ogm-groups.js";
import { guarded, showError } from "./notices.js";
import { followChosen } from "./tab-strip.js";

let dialog = null;
let pages = [];
let loaded = null; // the server's answer for the OGM shown
let runs = [];
let audio = null; // the "What plays" audio widget
let audioChanged = false; // its audio changed since it was opened (stored at once, not by Save)
let kept = ""; // content() as opened or last saved
let showChosenTab = () => {};
const $ = (id) => document.getElementById(id);

function showPage(id, focus) {
  for (const { id: pageId, panel } of pages) panel.hidden = pageId !== id;
  for (const tab of dialog.querySelectorAll("[role=tab]")) {
    const chosen = tab.dataset.page === id;
    tab.setAttribute("aria-selected", String(chosen));
    tab.tabIndex = chosen ? 0 : -1;
    if (!chosen) continue;
    if (focus) tab.focus();
  }
  showChosenTab();
}

// Tabs move with the arrow keys, Home and End, as a tab list does.
function tabKeys(event) {
  const tabs = [...dialog.querySelectorAll("[role=tab]")];
  const at = tabs.indexOf(document.activeElement);
  const to = { ArrowRight: at + 1, ArrowDown: at + 1, ArrowLeft: at - 1, ArrowUp: at - 1, Home: 0, End: tabs.length - 1 }[event.key];
  if (at < 0 || to === undefined) return;
  event.preventDefault();
  showPage(tabs[(to + tabs.length) % tabs.length].dataset.page, true);
}

function build(choices) {
  pages = buildPages(choices);
  const tabs = el("div", { className: "tabs" });
  tabs.setAttribute("role", "tablist");
  tabs.setAttribute("aria-label", "OGM settings");
  for (const { id, title, panel } of pages) {
    const tab = el("button", { type: "button", textContent: title, id: `ogm-tab-${id}` });
    tab.setAttribute("role", "tab");
    tab.dataset.page = id;
    panel.setAttribute("aria-labelledby", tab.id);
    tab.addEventListener("click", () => showPage(id));
    tabs.append(tab);
  }
  tabs.addEventListener("keydown", tabKeys);
  showChosenTab = followChosen(tabs);
  const form = el(
    "form",
    // The server checks every value and names the field it refuses.
    { method: "dialog", className: "ogm-form", noValidate: true },
    el("h2", { id: "ogm-editor-title" }),
    tabs,
    ...pages.map((p) => p.panel),
    el("datalist", { id: OGM_LIST }),
    el("datalist", { id: MAILBOX_LIST }),
    el("datalist", { id: SOUND_LIST }),
    el("p", { id: "ogm-editor-state", className: "hint", role: "status" }),
    el(
      "div",
      { className: "buttons dialog-buttons" },
      el("button", { type: "submit", id: "ogm-save", value: "save", textContent: "Save" }),
      el("button", { type: "button", id: "ogm-close", textContent: "Close" }),
    ),
  );
  dialog = el("dialog", { id: "ogm-editor", className: "ogm-editor" }, form);
  dialog.setAttribute("aria-labelledby", "ogm-editor-title");
  document.body.append(dialog);
  form.addEventListener("submit", (event) => {
    event.preventDefault();
    guarded(save)();
  });
  $("ogm-close").addEventListener("click", guarded(close));
  // Escape is taken before it becomes a cancel: Chromium lets a page refuse
  // a cancel only once between two actions of the user.
  const leave = (event) => {
    event.preventDefault();
    guarded(close)();
  };
  dialog.addEventListener("keydown", (event) => event.key === "Escape" && leave(event));
  dialog.addEventListener("cancel", leave);
  const imported = () => {
    loaded.audio = true;
    audioChanged = true;
    showAudio();
  };
  const script = () => $("ogm-text").value;
  // Spoken text becomes the OGM's script when it has none, for the list and
  // the report; Save keeps it.
  const onSpoken = (text) => {
    if (!$("ogm-text").value.trim()) $("ogm-text").value = text;
  };
  audio = audioWidget({ id: "ogm-audio", path: "/api/ogm/audio", onChange: imported, script, onSpoken });
  $("ogm-audio-place").replaceWith(audio.element);
  $("ogm-preview").addEventListener("click", guarded(preview));
  $("ogm-run-add").addEventListener("click", guarded(() => editRun(-1)));
  $("ogm-run-edit").addEventListener("click", guarded(() => editRun(selectedRun())));
  $("ogm-run-delete").addEventListener("click", guarded(deleteRun));
}

// The program list: "run1" … "run<runcount>".
function showRuns() {
  const list = $("ogm-runs");
  const chosen = selectedRun();
  list.replaceChildren(
    ...runs.map((line, i) =>
      el("li", {}, el("label", {}, el("input", { type: "radio", name: "ogm-run", value: String(i) }), ` ${line}`)),
    ),
  );
  if (!runs.length) list.append(el("li", { className: "hint", textContent: "No programs." }));
  const keep = list.querySelector(`input[value="${Math.min(chosen, runs.length - 1)}"]`);
  if (keep) keep.checked = true;
}

function selectedRun() {
  const chosen = dialog.querySelector('input[name="ogm-run"]:checked');
  return chosen ? Number(chosen.value) : -1;
}

async function editRun(index) {
  const adding = index < 0;
  if (!adding && index >= runs.length) return showError("Choose a program to edit.");
  const answer = await ask({
    caption: adding ? "Add Program" : "Edit Program",
    input: { label: "Command line", value: adding ? "" : runs[index] },
  });
  if (!answer) return;
  if (adding) runs.push(answer.value);
  else runs[index] = answer.value;
  showRuns();
}

async function deleteRun() {
  const index = selectedRun();
  if (index < 0) return showError("Choose a program to delete.");
  if (!(await confirmBox("Delete Program", `Delete "${runs[index]}"?`))) return;
  runs.splice(index, 1);
  showRuns();
}

function weekdaysFromBoxes() {
  let mask = 0;
  for (const box of dialog.querySelectorAll("[data-bit]")) if (box.checked) mask |= 1 << Number(box.dataset.bit);
  return mask;
}

function showAudio() {
  const has = loaded.audio;
  const status = !loaded.exists
    ? "Save the OGM first to give it audio."
    : has
      ? `${loaded.name}.wav`
      : "No audio file yet.";
  audio.show(loaded.name, status, { canChange: loaded.exists, canPlay: has });
}

function fill(answer) {
  if (answer.name !== loaded?.name) audioChanged = false;
  loaded = answer;
  fillLists(answer.choices);
  for (const control of controls(dialog)) {
    const [section, key] = control.dataset.field.split(".");
    setValue(control, answer.values[section]?.[key]);
  }
  const mask = answer.values.datetime.weekdays & 127;
  for (const box of dialog.querySelectorAll("[data-bit]")) box.checked = !!(mask & (1 << Number(box.dataset.bit)));
  runs = [];
  for (let i = 1; i <= answer.values.ivr.runcount; i++) runs.push(answer.values.ivr[`run${i}`] || "");
  showRuns();
  $("ogm-text").value = answer.text;
  $("ogm-editor-title").textContent = `OGM Properties: ${answer.name}`;
  $("ogm-editor-state").textContent = answer.exists ? "" : "A new OGM: it is made when saved.";
  $("ogm-preview-audio").hidden = true;
  refreshBlocks(dialog);
  showAudio();
  clearErrors(dialog);
  kept = content();
}

// Every key shown, but those of actions not chosen, which stay as stored.
function collect() {
  const values = { ivr: {}, datetime: {}, cid: {} };
  $("ogm-runs").closest("section").querySelector('[data-field="ivr.runcount"]').value = String(runs.length);
  dialog.querySelector('[data-field="datetime.weekdays"]').value = String(weekdaysFromBoxes());
  for (const control of controls(dialog)) {
    if (unused(control)) continue;
    const [section, key] = control.dataset.field.split(".");
    values[section][key] = valueOf(control);
  }
  runs.forEach((line, i) => (values.ivr[`run${i + 1}`] = line));
  return values;
}

// What the owner has typed: every value saved, and the spoken text.
const content = () => JSON.stringify([collect(), $("ogm-text").value]);
const unsaved = () => dialog?.open && content() !== kept;

// Leaving the editor drops changes not saved only when the owner says so.
async function mayLeave() {
  if (!unsaved()) return true;
  const kept = audioChanged ? "\r\nThe new audio stays: it was stored when it was made." : "";
  return confirmBox("OGM Properties", `Close the OGM editor without saving your changes?${kept}`);
}

async function close() {
  if (await mayLeave()) dialog.close();
}

async function save() {
  clearErrors(dialog);
  $("ogm-editor-state").textContent = "Saving…";
  const name = loaded.name;
  try {
    await api("/api/ogm/edit", { name, values: collect(), text: $("ogm-text").value });
  } catch (error) {
    $("ogm-editor-state").textContent = "Not saved.";
    if (!(error.status === 400 && error.field)) throw error;
    showRefusal(error.field, error.message);
    if (await createMissing(error)) return save();
    return;
  }
  document.dispatchEvent(new CustomEvent("ogm-saved", { detail: { name } }));
  fill(await api(query("/api/ogm/edit", { name })));
  $("ogm-editor-state").textContent = "Saved.";
}

// A key may lead to an OGM or a mailbox not made yet: made on request.
const MISSING = {
  "no OGM of that name": { what: "OGM", path: "/api/ogmlist/new", changed: "ogms-changed" },
  "no mailbox of that name": { what: "mailbox", path: "/api/mailboxes/new", changed: "mailboxes-changed" },
};

async function createMissing(error) {
  const missing = MISSING[error.message];
  const name = dialog.querySelector(`[data-field="${error.field}"]`)?.value.trim();
  if (!missing || !name) return false;
  const question = `There is no ${missing.what} named "${name}". Create it and save again?`;
  if (!(await confirmBox("OGM Properties", question))) return false;
  await api(missing.path, { name });
  document.dispatchEvent(new CustomEvent(missing.changed));
  return true;
}

// The refused field's page comes up with the reason beside the field.
function showRefusal(field, message) {
  const control = showFieldError(dialog, field, message);
  if (!control) return showError(message);
  showPage(control.closest(".ogm-page").id.replace("ogm-page-", ""));
  control.focus();
}

async function preview() {
  const voice = Number(dialog.querySelector('[data-field="ivr.playttsvoice"]').value);
  const player = $("ogm-preview-audio");
  $("ogm-preview").disabled = true;
  try {
    const audio = await apiBlob("/api/ogm/preview", { text: $("ogm-text").value, voice });
    if (player.src) URL.revokeObjectURL(player.src);
    player.src = URL.createObjectURL(audio);
    player.hidden = false;
    await player.play().catch(() => {}); // a blocked autoplay leaves the controls to the user
  } finally {
    $("ogm-preview").disabled = false;
  }
}

async function open(name) {
  if (!(await mayLeave())) return;
  const answer = await api(query("/api/ogm/edit", { name }));
  if (!dialog) build(answer.choices);
  fill(answer);
  showPage("plays");
  if (!dialog.open) dialog.showModal();
  dialog.querySelector("[role=tab]").focus();
}

window.addEventListener("beforeunload", (event) => unsaved() && event.preventDefault());
document.addEventListener("ogm-edit", (event) => guarded(open)(event.detail.name));
