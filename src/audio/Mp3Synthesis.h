#pragma once

#include <cstdint>

#include "audio/Mp3Isa.h"

// The polyphase synthesis filter bank of one channel: each time slot's 32
// subband samples become 32 output samples through a 32-point DCT, the
// 1024-value history and the standard's 512-tap synthesis window.
class Mp3Synthesis {
 public:
  static constexpr int kSubbands = 32;
  // Time slots per subband row of the input: whole vectors of 8.
  static constexpr int kRowLength = 24;
  // Output gain: full scale 1.0 becomes the chain's 16-bit full scale.
  static constexpr float kOutputScale = 524288.0f;
  // Output is held to this level (4 times full scale); only a corrupt
  // stream gets there.
  static constexpr float kLimit = 2097152.0f;

  explicit Mp3Synthesis(Mp3Isa isa = Mp3BestIsa());

  void Reset();
  // Filters `slots` (at most kRowLength) time slots of 32 subbands, given
  // subband by subband: subbands[sb][t]. Writes slots * 32 samples to
  // `out`, `stride` apart (the channel count for interleaved output). Rows
  // are read in runs of 8 slots; values past `slots` go unused.
  void Run(const float (*subbands)[kRowLength], int slots, int32_t* out, int stride);

 private:
  using Filter = void (*)(const float (*)[kRowLength], int, int32_t*, int, float*, int&);

  Filter filter_;
  float history_[2048];  // 1024 values, each stored twice so reads never wrap
  int offset_ = 0;
};
