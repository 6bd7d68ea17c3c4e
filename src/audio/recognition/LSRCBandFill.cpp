#include "audio/recognition/LSRCBandFill.h"

#include <cmath>
#include <numbers>

LSRCBandFill::LSRCBandFill(LSoundSourceRef upstream, int32_t fromHz) : LSRCFilterBase(std::move(upstream)) {
  // Mirroring maps a lowpass at (rate / 2 - fromHz) onto fromHz..rate / 2.
  const double cutoff = (SampleRate() / 2.0 - fromHz) / SampleRate();
  if (IsError() || cutoff <= 0) return;
  enabled_ = true;
  constexpr int kMiddle = kTaps / 2;
  for (int k = 0; k < kTaps; ++k) {
    const int offset = k - kMiddle;
    const double sinc = offset == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * offset) / (std::numbers::pi * offset);
    const double hamming = 0.54 - 0.46 * std::cos(2 * std::numbers::pi * k / (kTaps - 1));
    taps_[static_cast<std::size_t>(k)] = static_cast<int32_t>(std::lround(sinc * hamming * 32768));
  }
  SetMaxLevel(MaxLevel() + static_cast<uint32_t>(kNoisePeak));
}

int32_t LSRCBandFill::NextNoise() {
  // A fixed linear congruential sequence: the same file always gets the same
  // floor, so a transcription can be repeated exactly.
  seed_ = seed_ * 1664525u + 1013904223u;
  const auto uniform = static_cast<int64_t>(seed_ >> 16) - 32768;  // -32768..32767
  return static_cast<int32_t>(uniform * kNoisePeak / 32768);
}

void LSRCBandFill::Read(int32_t* buffer, int32_t frames) {
  Upstream().Read(buffer, frames);
  if (!enabled_) return;
  const int channels = Channels();
  for (int32_t i = 0; i < frames; ++i) {
    history_[static_cast<std::size_t>(next_)] = NextNoise();
    next_ = (next_ + 1) % kTaps;
    int64_t sum = 0;
    for (int k = 0; k < kTaps; ++k) {
      sum += int64_t{taps_[static_cast<std::size_t>(k)]} * history_[static_cast<std::size_t>((next_ + k) % kTaps)];
    }
    int32_t fill = static_cast<int32_t>(sum >> 15);
    if (negate_) fill = -fill;
    negate_ = !negate_;
    for (int c = 0; c < channels; ++c) buffer[i * channels + c] += fill;
  }
}
