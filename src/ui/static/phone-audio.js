// The browser phone's sound: the earpiece's 8 kHz PCM played through Web
// Audio behind a small jitter buffer, and the microphone captured and
// brought down to 8 kHz 16-bit for the engine.
import { Downsampler, LINE_RATE, openMicrophone } from "./mic-capture.js";

export const PHONE_RATE = LINE_RATE;
const START_MS = 160; // buffered before playback (re)starts
const MAX_MS = 800; // beyond this the oldest audio is dropped
const FRAME = 2048;

export class PhoneAudio {
  constructor() {
    this.context = new AudioContext();
    this.rate = this.context.sampleRate;
    this.queue = []; // Float32Arrays at the context's rate
    this.queued = 0;
    this.playing = false;
    this.microphone = new Downsampler(this.rate);
    this.earPeak = 0; // the loudest earpiece sample since the call began, 0..1
    this.micStream = null;
    this.node = this.context.createScriptProcessor(FRAME, 1, 1);
    this.node.onaudioprocess = (event) => this.process(event);
    this.node.connect(this.context.destination);
  }

  // Asks for the microphone: "" when it is open, else why not.
  async openMicrophone() {
    const { stream, error } = await openMicrophone();
    if (error) return error;
    this.micStream = stream;
    this.context.createMediaStreamSource(stream).connect(this.node);
    return "";
  }

  // Little-endian 16-bit samples from the engine, at 8 kHz.
  hear(bytes) {
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength & ~1);
    const step = PHONE_RATE / this.rate;
    const count = Math.floor((view.byteLength / 2) / step);
    const out = new Float32Array(count);
    for (let i = 0; i < count; i++) {
      const at = i * step;
      const k = Math.floor(at);
      const a = view.getInt16(k * 2, true);
      const b = k * 2 + 2 < view.byteLength ? view.getInt16(k * 2 + 2, true) : a;
      out[i] = (a + (b - a) * (at - k)) / 32768;
      this.earPeak = Math.max(this.earPeak, Math.abs(out[i]));
    }
    this.queue.push(out);
    this.queued += count;
    const max = (this.rate * MAX_MS) / 1000;
    while (this.queued - this.queue[0].length >= max) this.queued -= this.queue.shift().length;
  }

  process(event) {
    this.microphone.push(event.inputBuffer.getChannelData(0));
    const out = event.outputBuffer.getChannelData(0);
    out.fill(0);
    if (!this.playing && this.queued < (this.rate * START_MS) / 1000) return;
    this.playing = true;
    let filled = 0;
    while (filled < out.length && this.queue.length) {
      const head = this.queue[0];
      const take = Math.min(head.length, out.length - filled);
      out.set(head.subarray(0, take), filled);
      filled += take;
      this.queued -= take;
      if (take === head.length) this.queue.shift();
      else this.queue[0] = head.subarray(take);
    }
    if (filled < out.length) this.playing = false; // ran dry: buffer up again
  }

  // The microphone's audio since the last call, as 16-bit little-endian
  // bytes, at most its newest `maxSamples`: what a slow post held back is
  // dropped rather than sent late, as the earpiece drops what comes late.
  takeCaptured(maxSamples) {
    const samples = this.microphone.take();
    return new Blob([samples.subarray(Math.max(0, samples.length - maxSamples))], { type: "application/octet-stream" });
  }

  close() {
    this.node.disconnect();
    for (const track of this.micStream?.getTracks() ?? []) track.stop();
    this.context.close();
  }
}
