// The message list of the selected mailbox: rows kept by id, several
// selectable, refreshed in place; and the player, which marks a message
// read only once its playback really starts.
import { api, query } from "./api.js";
import { tell } from "./dialogs.js";

const body = document.getElementById("message-rows");
const empty = document.getElementById("no-messages");
const player = document.getElementById("player");
const SEEK_SECONDS = 5;

const rows = new Map(); // id -> {row, tr}
let mailbox = "";
let anchor = null; // the row a Shift+click extends from
let playing = null; // {mailbox, id} of the message in the player
let marked = false; // whether the message in the player was marked read
let loads = 0; // list loads started

export const idOf = (row) => row.id || row.file.slice(-6);

export function currentMailbox() {
  return mailbox;
}

function cell(tr, text) {
  const td = document.createElement("td");
  td.textContent = text;
  td.title = text; // cut short in narrow columns
  tr.append(td);
}

function unreadMark() {
  const mark = document.createElement("span");
  mark.className = "unread";
  mark.setAttribute("role", "img");
  mark.setAttribute("aria-label", "Unread");
  mark.title = "Unread";
  mark.innerHTML =
    '<svg viewBox="0 0 16 12" width="16" height="12" aria-hidden="true"><rect x="0.5" y="0.5" width="15" height="11" rx="1" fill="#ffd75e" stroke="#5a4500"/><path d="M1 1l7 6 7-6" fill="none" stroke="#5a4500"/></svg>';
  return mark;
}

// A delivery that failed and will be tried again, with its reason.
// A tap (phones show no titles) tells the reason in a box.
function deliveryMark({ lastError, nextRetry }) {
  const clock = { hour: "2-digit", minute: "2-digit", hourCycle: "h23" };
  const retry = nextRetry ? `; next try at ${new Date(nextRetry * 1000).toLocaleTimeString([], clock)}` : "";
  const reason = `Not delivered: ${lastError}${retry}`;
  const mark = document.createElement("button");
  Object.assign(mark, { type: "button", className: "delivery-failed", title: reason, textContent: "!" });
  mark.setAttribute("aria-label", reason);
  mark.addEventListener("click", (event) => {
    event.stopPropagation();
    tell("Delivery", `${reason}.\r\nIt is tried again then, or at once when the mailbox's properties or the e-mail settings are saved.`);
  });
  return mark;
}

function fill(tr, row) {
  tr.replaceChildren();
  const mark = document.createElement("td");
  mark.className = "mark";
  if (!row.read) mark.append(unreadMark());
  if (row.delivery?.lastError) mark.append(deliveryMark(row.delivery));
  tr.append(mark);
  cell(tr, row.file);
  cell(tr, row.date);
  cell(tr, row.time);
  cell(tr, row.cid);
  cell(tr, row.name);
  const labels = ["", "File", "Date", "Time", "CID", "Name"];
  [...tr.children].forEach((td, i) => (td.dataset.label = labels[i]));
  tr.classList.toggle("is-unread", !row.read);
}

// The row a new row with `id` goes before (null: the end). Rows stay in id
// order, as the mailbox walk gives them; the live list is searched by halves.
function rowAfter(id) {
  const all = body.children;
  let [low, high] = [0, all.length];
  while (low < high) {
    const mid = (low + high) >> 1;
    if (all[mid].dataset.id > id) high = mid;
    else low = mid + 1;
  }
  return all[low] || null;
}

function newRow(id, row) {
  const tr = document.createElement("tr");
  tr.dataset.id = id;
  tr.tabIndex = -1;
  tr.setAttribute("aria-selected", "false");
  fill(tr, row);
  rows.set(id, { row, tr });
  return tr;
}

function dropRow(id) {
  const known = rows.get(id);
  if (!known) return;
  known.tr.remove();
  rows.delete(id);
}

function refreshRow(known, row) {
  known.row = row;
  fill(known.tr, row);
}

// Once after each change: one row takes the Tab key, and an empty list says so.
function settle() {
  empty.hidden = rows.size > 0;
  if (!body.querySelector('tr[tabindex="0"]') && body.firstElementChild) body.firstElementChild.tabIndex = 0;
}

// Adds or refreshes one row; null removes it.
export function applyRow(id, row) {
  const known = rows.get(id);
  if (!row) dropRow(id);
  else if (known) refreshRow(known, row);
  else body.insertBefore(newRow(id, row), rowAfter(id));
  settle();
}

// Reads the mailbox's rows; a new mailbox starts from an empty list, the
// same one is brought up to date row by row (selection kept).
export async function load(name) {
  const ticket = ++loads;
  const answer = await api(query("/api/messages", { mailbox: name }));
  if (ticket !== loads) return; // a later load overtook this one
  if (name !== mailbox) {
    rows.clear();
    body.replaceChildren();
    mailbox = name;
    anchor = null;
  }
  const listed = new Map(answer.messages.map((row) => [idOf(row), row]));
  for (const id of [...rows.keys()]) if (!listed.has(id)) dropRow(id);
  // One pass in id order: the rows kept are in order already, and the new
  // ones gathered before each of them go in together.
  const before = document.createDocumentFragment();
  for (const id of [...listed.keys()].sort()) {
    const row = listed.get(id);
    const known = rows.get(id);
    if (!known) {
      before.append(newRow(id, row));
      continue;
    }
    if (JSON.stringify(known.row) !== JSON.stringify(row)) refreshRow(known, row);
    if (before.firstChild) body.insertBefore(before, known.tr);
  }
  body.append(before);
  settle();
}

// Rows deleted or moved away: the next one (else the one before) is chosen
// and has the focus, so the keys go on where they were.
export function removeRows(ids) {
  const gone = new Set(ids);
  const all = [...body.children];
  const first = all.findIndex((tr) => gone.has(tr.dataset.id));
  const kept = (tr) => !gone.has(tr.dataset.id);
  const next = all.slice(Math.max(first, 0)).find(kept) || all.slice(0, Math.max(first, 0)).reverse().find(kept);
  const hadFocus = body.contains(document.activeElement);
  for (const id of ids) dropRow(id);
  settle();
  if (next) selectRow(next);
  else if (hadFocus) document.getElementById("mailbox-list").focus();
}

export function selectedIds() {
  return [...body.querySelectorAll('tr[aria-selected="true"]')].map((tr) => tr.dataset.id);
}

export function rowOf(id) {
  return rows.get(id)?.row;
}

function focusRow(tr) {
  for (const other of body.querySelectorAll('tr[tabindex="0"]')) other.tabIndex = -1;
  tr.tabIndex = 0;
  tr.focus();
}

function setSelected(tr, on) {
  tr.setAttribute("aria-selected", on ? "true" : "false");
}

// Only the rows that change are touched: a long list is not restyled whole.
function selectOnly(tr) {
  for (const other of body.querySelectorAll('tr[aria-selected="true"]')) if (other !== tr) setSelected(other, false);
  if (tr) setSelected(tr, true);
}

// Selects one row (plain), toggles it (ctrl), adds it (a long press) or
// extends to it (shift); the list says how with a "row-select" event.
export function selectRow(tr, how = "plain") {
  if (how === "toggle" || how === "add") {
    setSelected(tr, how === "add" || tr.getAttribute("aria-selected") !== "true");
    anchor = tr;
  } else if (how === "extend" && anchor?.parentNode === body) {
    const all = [...body.children];
    const [a, b] = [all.indexOf(anchor), all.indexOf(tr)].sort((x, y) => x - y);
    all.forEach((other, i) => setSelected(other, i >= a && i <= b));
  } else {
    selectOnly(tr);
    anchor = tr;
  }
  focusRow(tr);
  body.dispatchEvent(new CustomEvent("row-select", { detail: how }));
}

// No row selected; the focus stays where it was.
export function selectNone() {
  selectOnly(null);
  body.dispatchEvent(new CustomEvent("row-select", { detail: "none" }));
}

// Moves the selection one row up (-1) or down (+1).
export function step(by, how = "plain") {
  const all = [...body.children];
  if (!all.length) return null;
  const current = body.querySelector('tr[tabindex="0"]') || all[0];
  const index = Math.min(all.length - 1, Math.max(0, all.indexOf(current) + by));
  if (how === "focus") focusRow(all[index]);
  else selectRow(all[index], how);
  return all[index];
}

export function isPlaying() {
  return playing !== null && !player.paused;
}

// Plays the first selected message (or the one given).
export function play(id = selectedIds()[0]) {
  if (!id) return false;
  playing = { mailbox, id };
  marked = false;
  player.src = query("/api/messages/audio", { mailbox, id });
  player.play().catch(() => {}); // a failed start shows through the "error" event
  return true;
}

export function stop() {
  player.pause();
  if (playing) player.currentTime = 0;
}

export function seek(seconds) {
  if (!playing) return;
  player.currentTime = Math.max(0, Math.min(player.duration || 0, player.currentTime + seconds));
}

export function seekBy(direction) {
  seek(direction * SEEK_SECONDS);
}

// Marks the message read when its sound actually starts.
export function watchPlayer(onError) {
  player.addEventListener("playing", () => {
    if (!playing || marked) return;
    marked = true;
    const { mailbox: box, id } = playing;
    const row = box === mailbox ? rows.get(id)?.row : null;
    if (row && row.read) return;
    api("/api/messages/read", { mailbox: box, id })
      .then(() => {
        const known = box === mailbox ? rows.get(id) : null;
        if (known && !known.row.read) applyRow(id, { ...known.row, read: true });
      })
      .catch(onError);
  });
  player.addEventListener("error", () => {
    if (!player.getAttribute("src")) return;
    onError(new Error("The message could not be played."));
  });
}

export function forgetPlayer() {
  player.pause();
  player.removeAttribute("src");
  player.load();
  playing = null;
}

export function playingId() {
  return playing && playing.mailbox === mailbox ? playing.id : null;
}
