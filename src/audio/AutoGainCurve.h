#pragma once

#include <array>
#include <cstdint>

// The gain in dB that levelling gives a block, by the block's level relative
// to the tracked speech level: quiet blocks get a little lift, the speech
// range is compressed by the slope, and blocks above the upper knee are
// pulled down dB for dB. Built once per run as a table.
class AutoGainCurve {
 public:
  AutoGainCurve(int lowerKnee, double slope, int upperKnee);

  // `level` in dB; values outside -128..127 take the nearest end.
  int operator()(int level) const;

 private:
  std::array<int8_t, 256> table_{};
};
