#include "audio/LSRCPeakLimit.h"

#include <algorithm>

#include "audio/GainProduct.h"
#include "audio/LevelMeter.h"

LSRCPeakLimit::LSRCPeakLimit(LSoundSourceRef upstream, uint32_t limit)
    : LSRCLookAhead(upstream, 3, std::clamp(upstream->SampleRate() / 35, 20, 8192)),
      limit_(static_cast<int32_t>(std::min<uint32_t>(limit, kMaxLimit))) {
  SetMaxLevel(static_cast<uint32_t>(limit_));
}

int32_t LSRCPeakLimit::BlockGain(uint32_t peak, int32_t limit) {
  if (peak <= static_cast<uint32_t>(limit)) return kUnityGain;
  const int64_t scaledPeak = (int64_t{peak} + 64) >> 6;
  return static_cast<int32_t>((int64_t{limit} * 512 / scaledPeak) * 512);
}

int32_t LSRCPeakLimit::MeasureBlock(const int32_t* samples, int32_t count) const {
  return BlockGain(PeakLevel(samples, count), limit_);
}

// The ramp ends exactly on the target after the block: the remainder of the
// division is applied at once.
LSRCLookAhead::Ramp LSRCPeakLimit::PlanRamp(int32_t reached) const {
  const int32_t average =
      (FinishedGain() + GainOf(kCurrent) + GainOf(kNext) + GainOf(kAfterNext)) >> 2;
  const int32_t target = std::min({GainOf(kCurrent), GainOf(kNext), average});
  const int32_t delta = target - reached;
  return {reached + delta % BlockFrames(), delta / BlockFrames()};
}
