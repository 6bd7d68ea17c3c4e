#pragma once

#include <array>
#include <cstdint>

#include "audio/LSRCFilterBase.h"

// Adds a faint noise floor to the band between `fromHz` and the source's
// upper band edge. Line audio raised to a wideband recogniser's rate is
// empty up there, unlike anything the model was trained on; a faint floor
// there recognises far more words (bench_transcribe).
// The noise is white noise confined to the band by a lowpass whose output is
// mirrored to the top of the spectrum (every other sample negated).
class LSRCBandFill final : public LSRCFilterBase {
 public:
  static constexpr int kTaps = 31;
  // The noise's peak before band-limiting, about 1.3 % of 16-bit full
  // scale: half or twice that lost words on levelled messages.
  static constexpr int32_t kNoisePeak = kFullScale16 / 75;

  // Nothing is added when fromHz is at or above half the source's rate.
  LSRCBandFill(LSoundSourceRef upstream, int32_t fromHz);

  void Read(int32_t* buffer, int32_t frames) override;

 private:
  int32_t NextNoise();

  std::array<int32_t, kTaps> taps_{};  // Q15 lowpass
  std::array<int32_t, kTaps> history_{};
  int next_ = 0;  // the oldest entry of history_
  bool enabled_ = false;
  bool negate_ = false;
  uint32_t seed_ = 0x2545F491;
};
