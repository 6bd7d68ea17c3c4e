#include "telephony/dsp/LToneGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "audio/LineRate.h"
#include "telephony/dsp/DtmfKeypad.h"

namespace {

// Row tones about 10 dB and column tones 8 dB below full scale: the usual
// 2 dB of normal twist, and room for the prompt they may be mixed with.
constexpr double kRowAmplitude = 10000;
constexpr double kColumnAmplitude = 12600;
constexpr double kBeepAmplitude = 10000;
constexpr uint32_t kRamp = 8;  // 1 ms fade in and out, against clicks

// Whole minutes at most, which no dialling needs.
uint32_t Samples(uint32_t ms) { return std::min<uint32_t>(ms, 60000) * (kLineRate / 1000); }

}  // namespace

bool LToneGenerator::QueueKeys(std::string_view keys, uint32_t onMs, uint32_t offMs) {
  int row = 0;
  int column = 0;
  for (char key : keys) {
    if (!DtmfPosition(key, row, column)) return false;
  }
  for (char key : keys) {
    DtmfPosition(key, row, column);
    Queue({kDtmfRowHz[row], kDtmfColumnHz[column], kRowAmplitude, kColumnAmplitude, Samples(onMs), 0});
    Queue({0, 0, 0, 0, Samples(offMs), 0});
  }
  return true;
}

void LToneGenerator::QueueBeep() { Queue({kBeepHz, 0, kBeepAmplitude, 0, Samples(kBeepMs), 0}); }

void LToneGenerator::Queue(const Segment& segment) {
  if (segment.length) queue_.push_back(segment);
}

size_t LToneGenerator::Mix(std::span<int16_t> samples) {
  size_t covered = 0;
  while (covered < samples.size() && !queue_.empty()) {
    Segment& segment = queue_.front();
    const double x = samples[covered] + Next(segment);
    samples[covered++] = static_cast<int16_t>(std::lround(std::clamp(x, -32768.0, 32767.0)));
    if (segment.done == segment.length) queue_.pop_front();
  }
  return covered;
}

double LToneGenerator::Next(Segment& segment) {
  const uint32_t n = segment.done++;
  if (segment.firstAmplitude == 0) return 0;
  const double t = 2 * std::numbers::pi * n / kLineRate;
  const uint32_t edge = std::min(n, segment.length - 1 - n);
  const double fade = edge >= kRamp ? 1 : 0.5 - 0.5 * std::cos(std::numbers::pi * (edge + 0.5) / kRamp);
  return fade * (segment.firstAmplitude * std::sin(segment.first * t) +
                 segment.secondAmplitude * std::sin(segment.second * t));
}
