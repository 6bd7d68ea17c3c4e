// The OGM list (#ogms): every OGM alphabetically or in the order a caller
// reaches them, with New, Delete, Rename, Play, Properties and the report.
// The OGM editor opens on an "ogm-edit" event; its "ogm-saved" refreshes us,
// and our own changes are told with "ogms-changed".
import { api, query } from "./api.js";
import { ask, confirmBox, tell } from "./dialogs.js";
import { guarded } from "./notices.js";

const PLAY_FAIL =
  "Unable to play this OGM.\r\nIt is possible that the OGM simply has not been recorded. " +
  "Please check that this browser may play sound here and that the OGM's audio is a WAVE file the console can read.";
const RENAME_WARNING =
  "If you rename the OGM, you will also need to change any references to the OGM from any other Out Going Messages.";

const view = document.getElementById("view-ogms");
// Plays an OGM while the list is not open (Ctrl+F9, the answering OGM).
const loosePlayer = new Audio();
loosePlayer.addEventListener("error", () => loosePlayer.getAttribute("src") && tell("Play Fail", PLAY_FAIL));
let built = false;
let current = ""; // the row the list keeps selected across refreshes
let proposal = "OGM 1";
const el = {};

function button(id, text, title) {
  return `<button id="${id}" type="button" title="${title}">${text}</button>`;
}

function build() {
  view.innerHTML = `
  <section class="ogm-pane" aria-labelledby="ogms-heading">
    <h2 id="ogms-heading" tabindex="-1">OGMs</h2>
    <div class="field"><label for="ogm-order">Order</label>
      <select id="ogm-order"><option value="0">Alphabetical Order</option><option value="1">Logical Order</option></select></div>
    <div class="buttons" role="toolbar" aria-label="OGM commands">
      ${button("ogm-new", "New", "New OGM")}${button("ogm-delete", "Delete", "Delete the selected OGMs (Delete)")}
      ${button("ogm-rename", "Rename", "Rename (F2)")}${button("ogm-play", "Play", "Play (F9)")}
      ${button("ogm-properties", "Properties", "Properties (Enter or double-click)")}${button("ogm-report", "Report", "OGM report")}
    </div>
    <audio id="ogm-player" controls preload="none" aria-label="OGM playback"></audio>
    <table id="ogm-table" class="ogm-table" role="grid" aria-multiselectable="true">
      <caption class="sr-only">OGMs; Space or Ctrl+click selects several</caption>
      <thead><tr><th scope="col">Out-Going Message</th><th scope="col">Type</th><th scope="col">Script/Notes</th></tr></thead>
      <tbody id="ogm-rows"></tbody>
    </table>
    <p id="no-ogms" class="empty" hidden>No OGMs yet.</p>
  </section>
  <section id="ogm-report-pane" class="ogm-pane" aria-labelledby="ogm-report-heading" hidden>
    <h2 id="ogm-report-heading" tabindex="-1">OGM Report</h2>
    <div class="buttons"><a id="ogm-report-download" class="button" download="report.rtf">Download report.rtf</a>
      ${button("ogm-report-close", "Close", "Close the report")}</div>
    <div id="ogm-report-body" class="ogm-report"></div>
  </section>`;
  for (const node of view.querySelectorAll("[id]")) el[node.id.replace(/-(\w)/g, (_, c) => c.toUpperCase())] = node;
}

function answerMark(answer) {
  const mark = document.createElement("span");
  mark.className = answer ? "answer-mark answers" : "answer-mark";
  mark.setAttribute("role", "img");
  mark.title = answer ? "Marked as an answering OGM" : "Not marked as an answering OGM";
  mark.setAttribute("aria-label", mark.title);
  mark.textContent = answer ? "\u260E" : "\u2192";
  return mark;
}

function rowOf(row) {
  const tr = document.createElement("tr");
  tr.dataset.name = row.name;
  tr.tabIndex = -1;
  tr.setAttribute("aria-selected", "false");
  const name = document.createElement("td");
  const now = document.createElement("span");
  now.className = "answering-now";
  now.textContent = " (answering now)";
  name.append(answerMark(row.answer), " ", row.name, now);
  const type = document.createElement("td");
  type.textContent = row.type;
  const notes = document.createElement("td");
  notes.textContent = notes.title = row.notes;
  tr.append(name, type, notes);
  return tr;
}

const rows = () => [...el.ogmRows.children];
const selected = () => rows().filter((tr) => tr.getAttribute("aria-selected") === "true").map((tr) => tr.dataset.name);

function select(tr, how = "plain") {
  if (how === "toggle") tr.setAttribute("aria-selected", String(tr.getAttribute("aria-selected") !== "true"));
  else for (const other of rows()) other.setAttribute("aria-selected", String(other === tr));
  for (const other of rows()) other.tabIndex = other === tr ? 0 : -1;
  current = tr.dataset.name;
  tr.focus();
}

// The OGM callers hear first, as the header's chooser or the engine says.
function markAnswering(name = document.getElementById("ogm").value) {
  for (const tr of rows()) tr.classList.toggle("is-answering", tr.dataset.name === name);
}

function show(listing, focus) {
  el.ogmOrder.value = String(listing.order);
  proposal = listing.proposal;
  el.ogmRows.replaceChildren(...listing.rows.map(rowOf));
  el.noOgms.hidden = listing.rows.length > 0;
  markAnswering();
  const keep = rows().find((tr) => tr.dataset.name === current) || rows()[0];
  if (!keep) return;
  keep.setAttribute("aria-selected", "true");
  keep.tabIndex = 0;
  current = keep.dataset.name;
  if (focus) keep.focus();
}

async function refresh(focus = false) {
  show(await api("/api/ogmlist"), focus);
}

// After a change of the files: the list again, and the other pages told.
async function changed() {
  await refresh(true);
  document.dispatchEvent(new CustomEvent("ogms-changed"));
}

const edit = (name) => name && document.dispatchEvent(new CustomEvent("ogm-edit", { detail: { name } }));

async function newOgm() {
  const input = { label: "OGM name", value: proposal };
  const answer = await ask({ caption: "New OGM", text: "Enter New OGM Name", input });
  if (!answer) return;
  const made = await api("/api/ogmlist/new", { name: answer.value });
  current = made.name;
  await changed();
  edit(made.name);
}

async function deleteOgms() {
  const names = selected();
  if (!names.length) return;
  const references = [];
  for (const name of names) references.push(...(await api(query("/api/ogmlist/references", { name }))).references);
  const still = references.length ? `\r\n\r\nThese go to it and will lead nowhere:\r\n${references.join("\r\n")}` : "";
  if (!(await confirmBox("Confirm Delete OGM", `Are you sure you wish to permanently delete this OGM?${still}`))) return;
  await api("/api/ogmlist/delete", { names });
  await changed();
}

async function renameOgm() {
  const from = selected()[0];
  if (!from) return;
  await tell("Warning", RENAME_WARNING);
  const answer = await ask({ caption: "Rename OGM", text: "Enter OGM Name", input: { label: "OGM name", value: from } });
  if (!answer || answer.value === from) return;
  let renamed;
  try {
    renamed = await api("/api/ogmlist/rename", { from, to: answer.value });
    current = renamed.name;
  } catch (error) {
    if (error.status === 409) return tell("Rename Fail", error.message);
    throw error;
  }
  await changed();
  await offerRetarget(from, renamed);
}

// The places that still name the old name go nowhere now: offer to move them.
async function offerRetarget(from, renamed) {
  if (!renamed.references.length) return;
  const question = `These still go to "${from}", which no longer exists:\r\n${renamed.references.join("\r\n")}` +
    `\r\n\r\nChange them to go to "${renamed.name}"?`;
  if (!(await confirmBox("Update References", question))) return;
  await api("/api/ogmlist/retarget", { from, to: renamed.name });
  await changed();
}

function play() {
  const name = selected()[0];
  if (!name) return;
  el.ogmPlayer.src = query("/api/ogm/audio", { name });
  el.ogmPlayer.play().catch(() => {}); // a failed start shows through the "error" event
}

export function playOgm(name) {
  loosePlayer.src = query("/api/ogm/audio", { name });
  loosePlayer.play().catch(() => {}); // a failed start shows through the "error" event
}

async function report() {
  const written = await api("/api/ogmlist/report", {});
  el.ogmReportBody.innerHTML = written.html; // the server escaped every copied text
  el.ogmReportDownload.href = written.download;
  el.ogmReportPane.hidden = false;
  el.ogmReportHeading.focus();
}

function onKey(event) {
  const tr = event.target.closest("tr");
  if (!tr) return;
  const all = rows();
  const keys = {
    ArrowDown: () => select(all[Math.min(all.length - 1, all.indexOf(tr) + 1)]),
    ArrowUp: () => select(all[Math.max(0, all.indexOf(tr) - 1)]),
    " ": () => select(tr, "toggle"),
    Enter: () => edit(tr.dataset.name),
    Delete: guarded(deleteOgms),
    F2: guarded(renameOgm),
    F9: play,
  };
  if (!keys[event.key]) return;
  event.preventDefault();
  keys[event.key]();
}

function wire() {
  const reorder = async () => show(await api("/api/ogmlist/order", { order: Number(el.ogmOrder.value) }));
  el.ogmOrder.addEventListener("change", guarded(reorder));
  el.ogmNew.addEventListener("click", guarded(newOgm));
  el.ogmDelete.addEventListener("click", guarded(deleteOgms));
  el.ogmRename.addEventListener("click", guarded(renameOgm));
  el.ogmPlay.addEventListener("click", play);
  el.ogmProperties.addEventListener("click", () => edit(selected()[0]));
  el.ogmReport.addEventListener("click", guarded(report));
  el.ogmReportClose.addEventListener("click", () => (el.ogmReportPane.hidden = true));
  el.ogmPlayer.addEventListener("error", () => el.ogmPlayer.getAttribute("src") && tell("Play Fail", PLAY_FAIL));
  el.ogmRows.addEventListener("click", (event) => {
    const tr = event.target.closest("tr");
    if (tr) select(tr, event.ctrlKey || event.metaKey ? "toggle" : "plain");
  });
  el.ogmRows.addEventListener("dblclick", (event) => edit(event.target.closest("tr")?.dataset.name));
  el.ogmRows.addEventListener("keydown", onKey);
  document.addEventListener("ogm-saved", guarded(() => !view.hidden && refresh()));
  document.addEventListener("engine-status", (event) => markAnswering(event.detail.answerOgm));
}

document.addEventListener(
  "view-shown",
  guarded(async (event) => {
    if (event.detail !== "ogms") return;
    if (!built) {
      build();
      wire();
      built = true;
    }
    await refresh();
  }),
);
