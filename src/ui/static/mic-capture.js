// The microphone for the console's pages: opened through the browser, its
// audio brought down to the line's 8 kHz 16-bit, and kept as a WAVE file.
export const LINE_RATE = 8000;

// The microphone as it is, for recordings: the browser's own echo
// cancelling, noise suppression and gain would colour them.
export const UNPROCESSED = { echoCancellation: false, noiseSuppression: false, autoGainControl: false };

// Asks for the microphone (`audio`: its constraints): {stream} when it is
// open, else {error} saying why not.
export async function openMicrophone(audio = true) {
  if (!navigator.mediaDevices) return { error: "The browser offers the microphone only to pages over HTTPS or from this computer" };
  try {
    return { stream: await navigator.mediaDevices.getUserMedia({ audio }) };
  } catch (error) {
    return { error: error.name === "NotAllowedError" ? "The microphone was refused" : "There is no microphone to use" };
  }
}

// Brings blocks of float samples at `rate` down to 8 kHz 16-bit by
// averaging each output sample's span of input: a plain low-pass with the step.
export class Downsampler {
  constructor(rate) {
    this.step = rate / LINE_RATE;
    this.pos = 0;
    this.samples = [];
  }

  push(input) {
    let pos = this.pos;
    while (pos + this.step <= input.length) {
      let sum = 0;
      const start = Math.max(0, Math.floor(pos)); // a span begun in the last block counts from here
      const end = Math.floor(pos + this.step);
      for (let k = start; k < end; k++) sum += input[k];
      const value = sum / Math.max(1, end - start);
      this.samples.push(Math.max(-32768, Math.min(32767, Math.round(value * 32767))));
      pos += this.step;
    }
    this.pos = pos - input.length;
  }

  // The samples since the last call.
  take() {
    const out = Int16Array.from(this.samples);
    this.samples = [];
    return out;
  }
}

// 16-bit mono samples at 8 kHz as a WAVE file.
export function waveFile(samples) {
  const header = new DataView(new ArrayBuffer(44));
  const text = (at, value) => [...value].forEach((c, i) => header.setUint8(at + i, c.charCodeAt(0)));
  const bytes = samples.length * 2;
  text(0, "RIFF");
  header.setUint32(4, 36 + bytes, true);
  text(8, "WAVE");
  text(12, "fmt ");
  header.setUint32(16, 16, true);
  header.setUint16(20, 1, true); // PCM
  header.setUint16(22, 1, true); // mono
  header.setUint32(24, LINE_RATE, true);
  header.setUint32(28, LINE_RATE * 2, true);
  header.setUint16(32, 2, true);
  header.setUint16(34, 16, true);
  text(36, "data");
  header.setUint32(40, bytes, true);
  const body = new Int16Array(samples); // little-endian on every browser's platform
  return new Blob([header.buffer, body.buffer], { type: "audio/wav" });
}
