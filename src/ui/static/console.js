// The main console: logs in when asked, follows the engine's event stream
// and wires the controls to the commands.
import { api, ApiError, NOT_ANSWERING, openSession, setToken } from "./api.js";
import * as commands from "./commands.js";
import * as ivr from "./ivr.js";
import { bindKeys } from "./keys.js";
import * as messages from "./messages.js";
import "./message-touch.js";
import "./settings.js";
import "./ogm-editor.js";
import "./phone.js";
import { guarded, setNotice, setProgress, showError } from "./notices.js";
import { playOgm } from "./ogms.js";
import { startViews } from "./views.js";
import "./mailboxprops.js";
import "./outbound.js";
import "./logs.js";

const $ = (id) => document.getElementById(id);
const LINES = 8;
const MESSAGE_REFRESH_MS = 150;
let lastStatus = null;
let refreshTimer = 0;

window.addEventListener("error", (event) => showError(event.message));
window.addEventListener("unhandledrejection", (event) => showError(event.reason));

function buildLines() {
  const list = $("lines");
  for (let i = 0; i < LINES; i++) {
    const item = document.createElement("li");
    item.className = "line";
    item.textContent = String(i + 1);
    list.append(item);
  }
}

function showLines(lines, setUp) {
  [...$("lines").children].forEach((item, i) => {
    const busy = !!lines[i];
    item.classList.toggle("busy", busy);
    item.classList.toggle("unused", !setUp[i]);
    item.title = `Line ${i + 1}: ${busy ? "in call" : setUp[i] ? "idle" : "not set up"}`;
    item.setAttribute("aria-label", item.title);
  });
}

function showOn(on) {
  const button = $("onoff");
  button.setAttribute("aria-pressed", on ? "true" : "false");
  button.textContent = on ? "Answering On" : "Answering Off";
  button.classList.toggle("on", on);
}

// What office hours do to calls now (null: they are off), as the calls see it.
function showHours(rule) {
  const text = {
    1: `answering with ${rule?.ogm}`,
    2: "not answering",
    3: `${rule?.rings} more ring${rule?.rings === 1 ? "" : "s"}`,
  }[rule?.mode];
  const line = $("hours");
  line.hidden = !text;
  line.textContent = text ? `Office hours: ${text}` : "";
  line.title = rule ? `${rule.open ? "Open" : "Outside the open"} hours now (Settings, Office hours)` : "";
}

// The engine keeps the last program load's notice: once dismissed it stays
// away in this tab, until another load.
const LOAD_DISMISSED = "load-notice-dismissed";

function showLoadNotice(status) {
  const id = `${status.loadNotices} ${status.loadNotice}`;
  const text = sessionStorage.getItem(LOAD_DISMISSED) === id ? "" : status.loadNotice;
  setNotice("load", text, { id, dismissed: () => sessionStorage.setItem(LOAD_DISMISSED, id) });
}

// Applies one status from the engine.
function showStatus(status) {
  showOn(status.on);
  showLines(status.lines || [], status.linesSetUp || []);
  $("newmsg").hidden = !status.newMessages;
  const caller = $("callerid");
  caller.hidden = !status.callerId;
  caller.textContent = status.callerId ? `Caller: ${status.callerId}` : "";
  setNotice("devices", status.noDevicesNotice);
  setNotice("disk", status.diskNotice);
  showLoadNotice(status);
  // Chosen elsewhere (another page, "zavotel ctl select-ogm"): read again.
  if (lastStatus && status.answerOgm !== lastStatus.answerOgm && !ogmChoicePending) guarded(loadOgms)();
  if (ivr.loadProgress(status, lastStatus)) guarded(reloadAll)();
  lastStatus = status;
  document.dispatchEvent(new CustomEvent("engine-status", { detail: status }));
}

// More rows changed than the engine kept: the shown list is brought up to
// date in place.
function refreshMessagesSoon() {
  clearTimeout(refreshTimer);
  refreshTimer = setTimeout(() => {
    const name = commands.shownMailbox();
    if (name) messages.load(name).catch(showError);
  }, MESSAGE_REFRESH_MS);
}

// Messages arrive, are read and go in bursts: the counts are read once.
let unreadTimer = 0;
function refreshUnreadSoon() {
  clearTimeout(unreadTimer);
  unreadTimer = setTimeout(() => commands.refreshUnread().catch(showError), MESSAGE_REFRESH_MS);
}

// Arrow keys on the closed chooser change it at every press: the OGM callers
// hear is chosen once the keys rest (or at Enter, or when it loses focus).
const OGM_KEYS_REST_MS = 900;
let ogmChoicePending = 0;
let ogmKeyedAt = 0;

function chooseOgmNow() {
  clearTimeout(ogmChoicePending);
  ogmChoicePending = 0;
  return api("/api/ogms/select", { name: $("ogm").value });
}

function ogmChanged() {
  if (Date.now() - ogmKeyedAt > 250) return guarded(chooseOgmNow)();
  clearTimeout(ogmChoicePending);
  ogmChoicePending = setTimeout(guarded(chooseOgmNow), OGM_KEYS_REST_MS);
}

function wireOgmChooser() {
  const select = $("ogm");
  select.addEventListener("keydown", (event) => {
    ogmKeyedAt = Date.now();
    if (event.key === "Enter" && ogmChoicePending) guarded(chooseOgmNow)();
  });
  select.addEventListener("change", () => {
    select.title = select.value;
    ogmChanged();
  });
  select.addEventListener("blur", () => ogmChoicePending && guarded(chooseOgmNow)());
}

async function loadOgms() {
  const answer = await api("/api/ogms");
  const select = $("ogm");
  select.replaceChildren(...answer.ogms.map((name) => new Option(name, name)));
  if (!answer.ogms.includes(answer.selected)) select.add(new Option(`${answer.selected} (missing)`, answer.selected));
  select.value = answer.selected;
  select.title = answer.selected;  // the whole of a name cut short
}

// Everything the page shows, read again (first load, reconnects, program
// loads); every OGM chooser, ours too, follows "ogms-changed".
async function reloadAll() {
  document.dispatchEvent(new CustomEvent("ogms-changed"));
  const results = await Promise.allSettled([commands.loadMailboxes(), ivr.loadIvr()]);
  for (const result of results) if (result.status === "rejected") showError(result.reason);
}

// The log view follows new lines unless the user scrolled back.
let followLog = true;

// An error stays marked until the owner says it was seen: the engine's own
// mark goes with the next ordinary line, which may come at once.
let logErrorShown = false;
function showLogError(shown) {
  logErrorShown = shown;
  $("log").classList.toggle("error", shown);
  $("log-state").hidden = !shown;
}

function appendLog(entry) {
  const view = $("log");
  // A reconnected stream sends the whole view again.
  view.textContent = ((entry.whole ? "" : view.textContent) + entry.text).slice(-16384);
  showLogError(logErrorShown || !!entry.error);
  if (followLog) view.scrollTop = view.scrollHeight;
}

// The event stream lost this long shows that the page may be out of date.
// A stream the engine refused (its restart ended the session) is opened
// again as often, with a new session or, where one is needed, the login.
const LOST_MS = 4000;
let lostTimer = 0;
let streamOpened = false;

function showLost(lost) {
  const banner = $("engine-lost");
  banner.textContent = NOT_ANSWERING;
  banner.hidden = !lost;
  $("console").classList.toggle("stale", lost);
}

async function listenAgain() {
  try {
    if (await openSession()) return listen();
  } catch {
    // still not answering
  }
  setTimeout(listenAgain, LOST_MS);
}

function listen() {
  const events = new EventSource("/api/events");
  // A console moving away ends the stream; this page is left behind.
  document.addEventListener("console-moved", () => events.close(), { once: true });
  events.addEventListener("open", () => {
    clearTimeout(lostTimer);
    lostTimer = 0;
    showLost(false);
    if (streamOpened) guarded(reloadAll)(); // after a reconnect: what changed meanwhile
    streamOpened = true;
  });
  events.addEventListener("error", () => {
    lostTimer ||= setTimeout(() => showLost(true), LOST_MS);
    if (events.readyState === EventSource.CLOSED) setTimeout(listenAgain, LOST_MS);
  });
  const on = (name, handle) =>
    events.addEventListener(name, (event) => {
      try {
        handle(JSON.parse(event.data));
      } catch (error) {
        showError(error);
      }
    });
  on("status", showStatus);
  on("hours", showHours);
  on("message", (change) => {
    if (change.mailbox === messages.currentMailbox()) messages.applyRow(change.id, change.row);
    refreshUnreadSoon();
  });
  on("resync", refreshMessagesSoon);
  on("log", appendLog);
  on("progress", (job) => setProgress(job.title, job.step, job.fraction));
}

function wire() {
  const click = (id, action) => $(id).addEventListener("click", guarded(action));
  wireOgmChooser();
  for (const event of ["ogms-changed", "ogm-saved"]) document.addEventListener(event, guarded(loadOgms));
  document.addEventListener("mailboxes-changed", guarded(() => commands.loadMailboxes()));
  // From what the button shows: the engine's status event may come later.
  click("onoff", () => setAnswering($("onoff").getAttribute("aria-pressed") !== "true"));
  click("log-seen", () => showLogError(false));
  $("mailbox-list").addEventListener("change", guarded(commands.selectMailbox));
  click("mbx-new", commands.newMailbox);
  click("mbx-rename", commands.renameMailbox);
  click("mbx-delete", commands.deleteMailbox);
  click("msg-play", () => messages.play() || showError("Select a message to play."));
  click("msg-stop", messages.stop);
  click("msg-email", commands.emailMessages);
  click("msg-save", commands.saveMessages);
  click("msg-delete", commands.deleteMessages);
  click("msg-move", commands.moveMessages);
  click("ivr-new", () => ivr.newProgram(reloadAll));
  click("ivr-load", ivr.chooseProgram);
  $("ivr-file-input").addEventListener("change", guarded(ivr.sendProgram));
  click("ivr-save", ivr.saveProgram);
  click("ivr-notes", () => ivr.showNotes());
  click("logout", async () => {
    await api("/api/logout", {});
    location.reload();
  });
  const view = $("log");
  view.addEventListener("scroll", () => {
    followLog = view.scrollHeight - view.scrollTop - view.clientHeight < 40;
  });
  // A narrower view wraps more lines: the newest stay in sight.
  new ResizeObserver(() => followLog && (view.scrollTop = view.scrollHeight)).observe(view);
  messages.watchPlayer(showError);
  bindKeys({ setAnswering: guarded(setAnswering), playAnswerOgm: () => playOgm($("ogm").value) });
}

async function setAnswering(on) {
  const answer = await api("/api/answering", { on });
  showOn(answer.on);
}

async function start(session) {
  setToken(session.token);
  $("login").hidden = true;
  $("console").hidden = false;
  $("logout").hidden = !session.login;
  await reloadAll();
  listen();
  startViews();
}

const LOG_IN = "Log in with the console's password.";

// `why`: what the box says; without `canLogIn` (no password is set) it
// says only how the owner sets one.
function askLogin(why, canLogIn) {
  $("login").hidden = false;
  $("login-why").textContent = why;
  $("login-form").hidden = !canLogIn;
  if (!canLogIn) return;
  $("login-password").focus();
  $("login-form").addEventListener("submit", async (event) => {
    event.preventDefault();
    try {
      const session = await api("/api/login", { password: $("login-password").value });
      $("login-password").value = "";
      await start(session);
    } catch (error) {
      $("login-error").textContent = error.message;
    }
  });
}

async function boot() {
  buildLines();
  wire();
  try {
    await start(await api("/api/session"));
  } catch (error) {
    // 403: this user may not open the console without a password, and none is set.
    if (error instanceof ApiError && (error.status === 401 || error.status === 403))
      askLogin(error.status === 401 ? LOG_IN : error.message, error.status === 401);
    else {
      $("console").hidden = false;
      showError(error);
    }
  }
}

boot();
