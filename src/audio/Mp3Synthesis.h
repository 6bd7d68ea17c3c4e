#pragma once

#include <cstdint>

#include "audio/Mp3Isa.h"

// The polyphase synthesis filter bank of one channel: each time slot's 32
// subband samples become 32 output samples through a 32-point DCT, the
// 1024-value history and the standard's 512-tap synthesis window.
class Mp3Synthesis {
 public:
  static constexpr int kSubbands = 32;
  // Output gain: full scale 1.0 becomes the chain's 16-bit full scale.
  static constexpr float kOutputScale = 524288.0f;
  // Output is held to this level (4 times full scale); only a corrupt
  // stream gets there.
  static constexpr float kLimit = 2097152.0f;

  explicit Mp3Synthesis(Mp3Isa isa = Mp3BestIsa());

  void Reset();
  // Filters `slots` rows of 32 subband samples; writes slots * 32 samples to
  // `out`, `stride` apart (the channel count for interleaved output).
  void Run(const float (*subbands)[kSubbands], int slots, int32_t* out, int stride);

 private:
  using Filter = void (*)(const float (*)[kSubbands], int, int32_t*, int, float*, int&);

  Filter filter_;
  float history_[2048];  // 1024 values, each stored twice so reads never wrap
  int offset_ = 0;
};
