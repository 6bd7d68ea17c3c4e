#pragma once

#include <cstdint>

#include "audio/LSRCLookAhead.h"

// Look-ahead block limiter: keeps every sample within +-limit (at most
// 4194303). It holds three blocks of about 1/35 s; each block's gain is
// limit / peak (unity when the peak is within the limit), and the gain
// applied ramps linearly over a block towards a target that never exceeds
// the gain of that block or of the next, so the ramp starts and ends at or
// below the block's own gain and the limit holds on every sample.
class LSRCPeakLimit final : public LSRCLookAhead {
 public:
  static constexpr int32_t kMaxLimit = 4194303;

  LSRCPeakLimit(LSoundSourceRef upstream, uint32_t limit);

  // Q24 gain for a block whose peak is `peak`: about limit / peak.
  static int32_t BlockGain(uint32_t peak, int32_t limit);

 private:
  int32_t MeasureBlock(const int32_t* samples, int32_t count) const override;
  Ramp PlanRamp(int32_t reached) const override;

  int32_t limit_;
};
