#pragma once

#include <cstdint>
#include <vector>

#include "audio/LSRCFilterBase.h"

// One-pole high-pass per channel at a corner frequency in Hz, in integer
// arithmetic with an 8-bit coefficient. Its overshoot can double a sample,
// hence the doubled maximum level (up to 2097152).
class LSRCHighPass final : public LSRCFilterBase {
 public:
  LSRCHighPass(LSoundSourceRef upstream, int frequency);

  void Read(int32_t* buffer, int32_t frames) override;
  // Forwards and forgets the filter state, as the old samples no longer lead
  // up to the new position.
  void Seek(int32_t frame) override;

  // trunc((1 - e^(-2 pi f / rate)) * 256); 0 (no filtering) for f <= 0.
  static int Coefficient(int frequency, int32_t sampleRate);

 private:
  int coefficient_;
  std::vector<int64_t> state_;  // one per channel
};
