#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <numbers>
#include <span>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "telephony/dsp/DtmfKeypad.h"
#include "telephony/dsp/LDtmfDetector.h"

// Every key, in keypad order.
inline constexpr char kAllKeys[] = "123A456B789C*0#D";

// A key's tone pair as it may reach the detector: off its nominal
// frequencies, with twist, at a level.
struct DtmfTone {
  char key = '5';
  double ms = 100;
  double rowFactor = 1;     // 1.015 is 1.5 % above the nominal row frequency
  double columnFactor = 1;
  double twistDb = 0;       // column over row
  double rowAmplitude = 6000;
};

// Appends `tone` then `silenceMs` of silence; `seed` shifts the tones' phases.
inline void AppendTone(std::vector<int16_t>& out, const DtmfTone& tone, double silenceMs, uint32_t seed = 1) {
  int row = 0;
  int column = 0;
  DtmfPosition(tone.key, row, column);
  const double a = tone.rowAmplitude;
  const double b = a * std::pow(10, tone.twistDb / 20);
  const double w1 = 2 * std::numbers::pi * kDtmfRowHz[row] * tone.rowFactor / 8000;
  const double w2 = 2 * std::numbers::pi * kDtmfColumnHz[column] * tone.columnFactor / 8000;
  const long on = std::lround(tone.ms * 8);
  const long total = on + std::lround(silenceMs * 8);
  for (long n = 0; n < total; ++n) {
    const double x = n < on ? a * std::sin(w1 * n + seed) + b * std::sin(w2 * n + 2.0 * seed) : 0;
    out.push_back(static_cast<int16_t>(std::lround(std::clamp(x, -32768.0, 32767.0))));
  }
}

// `leadSamples` of silence, the tone, then 100 ms of silence.
inline std::vector<int16_t> ToneSignal(const DtmfTone& tone, int leadSamples = 400, uint32_t seed = 1) {
  std::vector<int16_t> out(static_cast<size_t>(leadSamples), 0);
  AppendTone(out, tone, 100, seed);
  return out;
}

// The keys a fresh detector finds in `samples` fed in blocks of `block`
// (160: the 20 ms a call delivers at a time).
inline std::string DetectInBlocks(const std::vector<int16_t>& samples, size_t block = 160) {
  LDtmfDetector detector;
  std::string keys;
  const std::span<const int16_t> all(samples);
  for (size_t at = 0; at < all.size(); at += block) keys += detector.Feed(all.subspan(at, std::min(block, all.size() - at)));
  return keys;
}

// sox's arguments for the detector's input: raw 16-bit mono at 8000 Hz.
inline constexpr char kSoxToLine[] = " -t raw -r 8000 -e signed -b 16 -c 1 ";

inline std::vector<int16_t> ReadRawLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<int16_t> samples;
  for (int16_t v = 0; in.read(reinterpret_cast<char*>(&v), sizeof v);) samples.push_back(v);
  return samples;
}

// `script` read by espeak-ng in each voice in turn, at 8000 Hz; nothing
// when espeak-ng or sox is missing.
inline std::vector<int16_t> SpeakScript(const TempDir& dir, const char* script, std::initializer_list<const char*> voices) {
  std::ofstream(dir / "script.txt") << script;
  std::string command = "(";
  for (const char* voice : voices) command += "espeak-ng -v " + std::string(voice) + " -f '" + (dir / "script.txt") + "' --stdout;";
  command += ") | sox -t wav -" + std::string(kSoxToLine) + "'" + (dir / "speech.raw") + "' 2>/dev/null";
  return std::system(command.c_str()) == 0 ? ReadRawLine(dir / "speech.raw") : std::vector<int16_t>{};
}
