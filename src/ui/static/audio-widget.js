// One audio widget for whatever the system plays from a file: an OGM's
// audio, a mailbox greeting, a system prompt. It plays the target here,
// records it from the microphone (8 kHz 16-bit mono, uploaded as WAVE),
// loads a WAVE or MP3 file, speaks typed text into it, and restores it where
// the target has something to go back to. The server's routes for a target
// are PATH (GET plays, POST imports) and PATH/synthesize.
import { api, query } from "./api.js";
import { confirmBox, tell } from "./dialogs.js";
import { el } from "./form-fields.js";
import { Downsampler, LINE_RATE, openMicrophone, UNPROCESSED, waveFile } from "./mic-capture.js";
import { guarded } from "./notices.js";

export const PLAY_FAIL = "Unable to start playback, please check that this browser may play sound here.";
const FRAME = 2048;
const SHORTEST_SAMPLES = LINE_RATE / 10;

// The microphone while a recording runs: its 8 kHz samples, running time
// and level.
class Recording {
  constructor(stream, onLevel) {
    this.stream = stream;
    this.context = new AudioContext();
    this.down = new Downsampler(this.context.sampleRate);
    this.chunks = [];
    this.count = 0;
    this.node = this.context.createScriptProcessor(FRAME, 1, 1);
    this.node.onaudioprocess = (event) => {
      const input = event.inputBuffer.getChannelData(0);
      this.down.push(input);
      const block = this.down.take();
      this.chunks.push(block);
      this.count += block.length;
      onLevel(input.reduce((peak, v) => Math.max(peak, Math.abs(v)), 0), this.count / LINE_RATE);
    };
    this.context.createMediaStreamSource(stream).connect(this.node);
    this.node.connect(this.context.destination);
  }

  // Ends the recording: all samples taken, joined.
  stop() {
    this.node.disconnect();
    for (const track of this.stream.getTracks()) track.stop();
    this.context.close();
    const all = new Int16Array(this.count);
    let at = 0;
    for (const chunk of this.chunks) {
      all.set(chunk, at);
      at += chunk.length;
    }
    return all;
  }
}

// A block's peak on the meter: 60 dB of range, full scale at the top.
const meterLevel = (peak) => Math.max(0, 1 + (20 * Math.log10(Math.max(peak, 1e-6))) / 60);
const clock = (seconds) => `${Math.floor(seconds / 60)}:${String(Math.floor(seconds % 60)).padStart(2, "0")}`;

// audioWidget({id, path, restore: {path, label, caption, question}, onChange, script, onSpoken})
// gives {element, show(name, status, {canChange, canPlay, canRestore})}: show
// points it at the target `name` with a status line (each command allowed
// unless said otherwise); onChange runs after the audio changed; script()
// gives the text Synthesize starts with, onSpoken(text) is told what it spoke.
export function audioWidget({ id, path, restore, onChange = () => {}, script = () => "", onSpoken = () => {} }) {
  const $ = {};
  const button = (key, label) => ($[key] = el("button", { type: "button", id: `${id}-${key}`, textContent: label }));
  const state = el("p", { id: `${id}-state`, className: "hint audio-state" });
  state.setAttribute("role", "status");
  const file = el("input", { type: "file", id: `${id}-file`, accept: ".wav,.mp3,audio/wav,audio/mpeg", hidden: true });
  const commands = el("div", { className: "buttons audio-commands" }, button("play", "Play"), button("record", "Record"),
    button("load", "Load…"), button("synthesize", "Synthesize…"), file);
  if (restore) commands.append(button("restore", restore.label));
  const time = el("span", { id: `${id}-time`, textContent: "0:00" });
  const level = el("meter", { id: `${id}-level`, min: 0, max: 1, value: 0 });
  level.setAttribute("aria-label", "Microphone level");
  const recording = el("div", { className: "audio-recording", hidden: true }, el("span", { textContent: "Recording " }),
    time, level, button("cancel", "Cancel"));
  const text = el("textarea", { id: `${id}-text`, rows: 4 });
  const voice = el("select", { id: `${id}-voice` });
  const speech = el("fieldset", { className: "audio-speech", hidden: true },
    el("legend", { textContent: "Synthesize" }),
    el("label", { htmlFor: text.id, textContent: "Text to speak" }), text,
    el("label", { htmlFor: voice.id, textContent: "Voice" }), voice,
    el("div", { className: "buttons" }, button("speak", "Speak and use"), button("speechCancel", "Cancel")));
  const player = el("audio", { id: `${id}-player`, controls: true, hidden: true, preload: "none" });
  player.setAttribute("aria-label", "Playback");
  const element = el("div", { className: "audio-widget", id }, state, commands, recording, speech, player);

  let name = "";
  let allowed = {};
  let busy = false;
  let recorder = null;

  function refresh() {
    for (const key of ["play", "record", "load", "synthesize", "restore"])
      if ($[key]) $[key].disabled = !name || busy || !allowed[key] || (recorder && key !== "record");
    $.record.textContent = recorder ? "Stop" : "Record";
    $.speak.disabled = busy;
  }

  // Runs a change of the audio with the commands held, then tells the owner
  // that it is stored already: no Save is needed for it.
  async function change(what, done, action) {
    busy = true;
    refresh();
    const shown = state.textContent;
    state.textContent = what;
    try {
      await action();
      state.textContent = shown;
      await onChange(name);
      state.textContent = `${state.textContent} (${done}, stored and in use)`;
    } catch (error) {
      state.textContent = shown;
      throw error;
    } finally {
      busy = false;
      refresh();
    }
  }

  const target = (suffix = "") => query(path + suffix, { name });

  function play() {
    player.hidden = false;
    player.src = query(path, { name, t: Date.now() });
    player.play().catch(() => {}); // a failed start shows through the "error" event
  }

  async function record() {
    if (recorder) return finishRecording(true);
    const { stream, error } = await openMicrophone(UNPROCESSED);
    if (error) throw new Error(error);
    recorder = new Recording(stream, (peak, seconds) => {
      level.value = meterLevel(peak);
      time.textContent = clock(seconds);
    });
    time.textContent = "0:00";
    recording.hidden = false;
    refresh();
    $.record.focus();
    // A dialog closed under a recording drops it and frees the microphone.
    element.closest("dialog")?.addEventListener("close", () => recorder && guarded(finishRecording)(false), { once: true });
  }

  async function finishRecording(keep) {
    const samples = recorder.stop();
    recorder = null;
    recording.hidden = true;
    refresh();
    if (!keep) return;
    if (samples.length < SHORTEST_SAMPLES) throw new Error("Nothing was recorded.");
    await change("Storing the recording…", "recorded", () => api(target(), waveFile(samples)));
  }

  async function load() {
    const chosen = file.files[0];
    file.value = "";
    if (chosen) await change(`Importing ${chosen.name}…`, `${chosen.name} imported`, () => api(target(), chosen));
  }

  async function openSpeech() {
    const { voices, preferred } = await api("/api/voices");
    if (!voices.length) throw new Error("No voice is installed.");
    voice.replaceChildren(...voices.map((label, i) => new Option(label, String(i))));
    voice.value = String(preferred);
    if (speech.hidden) text.value = script();
    speech.hidden = false;
    text.focus();
  }

  async function speak() {
    const body = { text: text.value, voice: Number(voice.value) };
    await change("Synthesizing…", "spoken", () => api(target("/synthesize"), body));
    speech.hidden = true;
    onSpoken(body.text);
  }

  async function restoreAudio() {
    if (!(await confirmBox(restore.caption, restore.question))) return;
    await change("Restoring…", "restored", () => api(query(restore.path, { name }), {}));
  }

  $.play.addEventListener("click", play);
  $.record.addEventListener("click", guarded(record));
  $.cancel.addEventListener("click", guarded(() => finishRecording(false)));
  $.load.addEventListener("click", () => file.click());
  file.addEventListener("change", guarded(load));
  $.synthesize.addEventListener("click", guarded(openSpeech));
  $.speak.addEventListener("click", guarded(speak));
  $.speechCancel.addEventListener("click", () => (speech.hidden = true));
  $.restore?.addEventListener("click", guarded(restoreAudio));
  player.addEventListener("error", () => player.getAttribute("src") && tell("Sound Card Error", PLAY_FAIL));

  return {
    element,
    show(target, status, { canChange = true, canPlay = true, canRestore = true } = {}) {
      if (recorder && target !== name) guarded(finishRecording)(false);
      if (target !== name) speech.hidden = true;
      name = target;
      allowed = { play: canPlay, record: canChange, load: canChange, synthesize: canChange, restore: canChange && canRestore };
      state.textContent = status;
      player.removeAttribute("src");
      player.hidden = true;
      speech.hidden ||= !canChange;
      refresh();
    },
  };
}
