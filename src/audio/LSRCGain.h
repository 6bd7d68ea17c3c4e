#pragma once

#include <cstdint>

#include "audio/LSRCFilterBase.h"

// A fixed gain in whole dB (-127 and below mute). A gain above 0 dB can
// raise samples past 16-bit full scale, so the result then declares
// 2097152 as its maximum level and gets a peak limiter in front of a sink.
class LSRCGain final : public LSRCFilterBase {
 public:
  static constexpr uint32_t kRaisedMaxLevel = 2097152;

  LSRCGain(LSoundSourceRef upstream, int8_t db);

  void Read(int32_t* buffer, int32_t frames) override;

  int32_t Gain() const { return gain_; }

 private:
  int32_t gain_;
};
