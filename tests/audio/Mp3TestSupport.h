#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/LMP3Source.h"

// Test streams made with sox and lame, reference output from mpg123.
namespace mp3test {

inline bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline bool ToolsPresent() { return Run("command -v sox") && Run("command -v lame") && Run("command -v mpg123"); }

// About `seconds` of a sweep over noise bursts (transients bring short
// blocks), the channels different in stereo.
inline bool MakeSignal(const std::string& path, int rate, int channels, double seconds = 2.0) {
  const std::string length = std::to_string(seconds);
  const std::string tones = channels == 2 ? "sine 150-6000 pinknoise" : "sine 150-6000";
  return Run("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " + path +
             " synth " + length + " " + tones + " synth " + length + " square amod 3 gain -3 fade 0 " + length + " 0.05");
}

// Encodes `wav` into `mp3` with lame `options`, no tag frame.
inline bool Encode(const std::string& wav, const std::string& mp3, const std::string& options) {
  return Run("lame --quiet -t " + options + " " + wav + " " + mp3);
}

// mpg123's float output of `mp3`, interleaved, 1.0 = full scale.
inline std::vector<float> Reference(const std::string& mp3, const std::string& raw) {
  std::vector<float> samples;
  if (!Run("mpg123 -q --no-gapless -e f32 -O " + raw + " " + mp3)) return samples;
  std::ifstream in(raw, std::ios::binary);
  for (float v; in.read(reinterpret_cast<char*>(&v), sizeof v);) samples.push_back(v);
  return samples;
}

// Everything `source` produces up to its end.
inline std::vector<int32_t> DecodeAll(LSoundSourceBase& source) {
  std::vector<int32_t> all, block(8192 * static_cast<std::size_t>(source.Channels()));
  const int32_t start = source.GetPosition();
  do {
    source.Read(block.data(), 8192);
    all.insert(all.end(), block.begin(), block.end());
  } while (source.GetPosition() < source.GetEndSample() && all.size() < (1u << 26));
  all.resize(static_cast<std::size_t>(std::max(source.GetEndSample() - start, 0)) * source.Channels());
  return all;
}

}  // namespace mp3test
