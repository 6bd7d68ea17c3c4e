#include "audio/LSRCCompressor.h"

#include <algorithm>
#include <cmath>

#include "audio/GainProduct.h"
#include "audio/LevelMeter.h"

namespace {

constexpr int kUpperLimitDb = 127;
constexpr double kAboveUpperLimit = 0.8913;

// A very low threshold with a strong ratio would ask for more than 2^31.
int32_t ToGain(double g) {
  return static_cast<int32_t>(std::clamp(g, -2147483648.0, 2147483647.0));
}

}  // namespace

LSRCCompressor::LSRCCompressor(LSoundSourceRef upstream, int8_t thresholdDb, double ratio,
                               int32_t windowMs)
    : LSRCLookAhead(upstream, 2, BlockFramesFor(windowMs, upstream->SampleRate())),
      curve_(BuildCurve(thresholdDb, ratio)) {
  SetMaxLevel(kMaxLevel);
  Restart();
}

LSRCCompressor::Curve LSRCCompressor::BuildCurve(int8_t thresholdDb, double ratio) {
  Curve curve{};
  double g = kUnityGain;
  if (thresholdDb < 0) g = g / std::pow(ratio, -thresholdDb);
  int index = 0;
  for (; index <= thresholdDb + 127; ++index) curve[static_cast<size_t>(index)] = ToGain(g);
  for (; index <= kUpperLimitDb + 127; ++index) {
    curve[static_cast<size_t>(index)] = ToGain(g);
    g *= ratio;
  }
  for (; index < 256; ++index) {
    curve[static_cast<size_t>(index)] = ToGain(g);
    g *= kAboveUpperLimit;
  }
  return curve;
}

int32_t LSRCCompressor::BlockFramesFor(int32_t windowMs, int32_t sampleRate) {
  const int64_t frames =
      int64_t{windowMs / 1000} * sampleRate + int64_t{windowMs % 1000} * sampleRate / 1000;
  return static_cast<int32_t>(std::clamp<int64_t>(frames, 128, 8192));
}

int32_t LSRCCompressor::MeasureBlock(const int32_t* samples, int32_t count) const {
  const int db = MeanSquareDb(MeanSquareLevel(samples, count));
  return curve_[static_cast<size_t>(db + 128)];
}

// Compression sets in quickly (over 1.25 blocks); release goes halfway to
// the next block's gain over two blocks.
LSRCLookAhead::Ramp LSRCCompressor::PlanRamp(int32_t reached) const {
  const int32_t frames = BlockFrames();
  const int32_t target = GainOf(kNext);
  const int64_t current = reached;
  if (target < reached) {
    return {reached, static_cast<int32_t>((target - current) / (frames + frames / 4))};
  }
  const int64_t halfway = (int64_t{target} + GainOf(kCurrent)) >> 1;
  return {reached, static_cast<int32_t>((halfway - current) / (2 * frames))};
}
