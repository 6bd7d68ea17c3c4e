#pragma once

#include <array>
#include <cstdint>

#include "audio/LSRCLookAhead.h"

// Look-ahead block compressor: measures the level of each block of
// `window` ms in dB and, holding two blocks, ramps towards the gain its
// curve gives for the next block's level. Below the threshold the gain is the fixed make-up gain
// 1 / ratio^(-threshold); each dB above it lowers the gain by `ratio`, so
// 0 dB stays at unity. Its output may exceed full scale.
class LSRCCompressor final : public LSRCLookAhead {
 public:
  static constexpr uint32_t kMaxLevel = 4194303;
  using Curve = std::array<int32_t, 256>;

  LSRCCompressor(LSoundSourceRef upstream, int8_t thresholdDb, double ratio, int32_t windowMs);

  // Q24 gain per block level in dB, indexed by level + 128.
  static Curve BuildCurve(int8_t thresholdDb, double ratio);
  static int32_t BlockFramesFor(int32_t windowMs, int32_t sampleRate);

 private:
  int32_t MeasureBlock(const int32_t* samples, int32_t count) const override;
  Ramp PlanRamp(int32_t reached) const override;

  Curve curve_;
};
