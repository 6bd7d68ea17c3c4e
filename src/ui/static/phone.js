// The Phone view: a call to the answering program from the browser, the
// browser's speaker and microphone standing in for the telephone.
import { api, query } from "./api.js";
import { guarded, showError } from "./notices.js";
import { PhoneAudio } from "./phone-audio.js";

const KEYS = ["1", "2", "3", "4", "5", "6", "7", "8", "9", "*", "0", "#"];
const MIC_POST_MS = 100;
const MIC_POST_MOST = 4000; // samples: the console refuses posts of over 0.5 s
const view = document.getElementById("view-phone");
let built = false;
let call = null; // { id, audio, events, reader, timer, posting }
const el = {};

function build() {
  const style = document.createElement("link");
  style.rel = "stylesheet";
  style.href = "phone.css";
  document.head.append(style);
  view.innerHTML = `
    <section class="phone" aria-labelledby="phone-heading">
      <h2 id="phone-heading">Call Simulator</h2>
      <p class="phone-state" role="status" id="phone-state">Idle</p>
      <div class="keypad" role="group" aria-label="Keypad"></div>
      <button type="button" id="phone-call" class="phone-call">Connect Call</button>
      <p class="phone-mic" id="phone-mic" role="status"></p>
    </section>
    <section class="phone-log" aria-labelledby="phone-log-heading">
      <h2 id="phone-log-heading">Call log</h2>
      <pre id="phone-log" class="log-view" role="log" tabindex="0" aria-labelledby="phone-log-heading"></pre>
    </section>`;
  for (const id of ["phone-state", "phone-call", "phone-mic", "phone-log"]) el[id] = document.getElementById(id);
  const keypad = view.querySelector(".keypad");
  for (const key of KEYS) {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = key;
    button.dataset.key = key;
    button.setAttribute("aria-label", `Key ${key}`);
    button.addEventListener("click", () => press(key));
    keypad.append(button);
  }
  el["phone-call"].addEventListener("click", guarded(() => (call ? hangUp() : connect())));
  document.addEventListener("keydown", onKey);
  showState(false);
}

function showState(connected) {
  el["phone-call"].textContent = connected ? "Hang Up" : "Connect Call";
  el["phone-state"].textContent = connected ? "Connected" : "Idle";
  view.dataset.connected = String(connected);
  for (const button of view.querySelectorAll(".keypad button")) button.setAttribute("aria-disabled", String(!connected));
}

function onKey(event) {
  if (view.hidden || event.ctrlKey || event.altKey || event.metaKey) return;
  if (event.target instanceof HTMLInputElement || event.target instanceof HTMLTextAreaElement) return;
  if (!KEYS.includes(event.key)) return;
  event.preventDefault();
  press(event.key);
}

function press(key) {
  if (!call) return; // idle: the keypad does nothing
  view.querySelector(`.keypad [data-key="${CSS.escape(key)}"]`)?.focus();
  api("/api/phone/key", { id: call.id, key }).catch(showError);
}

async function connect() {
  const audio = new PhoneAudio();
  const problem = await audio.openMicrophone();
  el["phone-mic"].textContent = problem
    ? `${problem}, so the caller is silent. Allow the microphone for this page and connect again to speak.`
    : "The microphone is the caller's voice.";
  let id;
  try {
    ({ id } = await api("/api/phone/connect", {}));
  } catch (error) {
    audio.close();
    throw error;
  }
  el["phone-log"].textContent = "";
  call = { id, audio, events: null, reader: null, timer: 0, posting: null };
  view.dataset.earPeak = "0";
  showState(true);
  const current = call;
  listen(current);
  // The earpiece's stream ends as soon as the call does: the microphone stops then.
  play(current).catch(() => {}).finally(() => clearInterval(current.timer));
  current.timer = setInterval(() => sendMic(current), MIC_POST_MS);
}

function listen(current) {
  current.events = new EventSource(query("/api/phone/events", { id: current.id }));
  current.events.addEventListener("log", (event) => {
    el["phone-log"].textContent += JSON.parse(event.data).text;
    el["phone-log"].scrollTop = el["phone-log"].scrollHeight;
  });
  current.events.addEventListener("state", (event) => {
    if (!JSON.parse(event.data).connected) ended(current);
  });
  current.events.onerror = () => ended(current);
}

async function play(current) {
  const response = await fetch(query("/api/phone/audio", { id: current.id }), { credentials: "same-origin" });
  current.reader = response.body.getReader();
  let odd = null; // a byte left from the last piece
  for (;;) {
    const { value, done } = await current.reader.read();
    if (done) return;
    let bytes = value;
    if (odd !== null) {
      bytes = new Uint8Array(value.length + 1);
      bytes[0] = odd;
      bytes.set(value, 1);
    }
    odd = bytes.length % 2 ? bytes[bytes.length - 1] : null;
    current.audio.hear(bytes);
    view.dataset.earPeak = current.audio.earPeak.toFixed(3);
  }
}

function sendMic(current) {
  if (current.posting || call !== current) return;
  const captured = current.audio.takeCaptured(MIC_POST_MOST);
  if (captured.size === 0) return; // nothing heard since the last post (a busy machine)
  current.posting = api(query("/api/phone/mic", { id: current.id }), captured)
    .catch(() => {}) // the call ended meanwhile: the state event says so
    .finally(() => (current.posting = null));
}

// The microphone stops first, so no audio arrives for a call already gone.
async function hangUp() {
  const current = call;
  clearInterval(current.timer);
  await current.posting;
  await api("/api/phone/hangup", { id: current.id });
}

function ended(current) {
  if (call !== current) return;
  call = null;
  clearInterval(current.timer);
  current.events.close();
  current.reader?.cancel().catch(() => {});
  current.audio.close();
  showState(false);
}

document.addEventListener("view-shown", (event) => {
  if (event.detail !== "phone" || built) return;
  built = true;
  build();
});
