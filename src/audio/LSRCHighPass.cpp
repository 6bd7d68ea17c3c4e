#include "audio/LSRCHighPass.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kDoublingLimit = 1048576;

int32_t Saturate(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

LSRCHighPass::LSRCHighPass(LSoundSourceRef upstream, int frequency)
    : LSRCFilterBase(std::move(upstream)),
      coefficient_(Coefficient(frequency, SampleRate())),
      state_(static_cast<size_t>(Channels()), 0) {
  if (MaxLevel() <= kDoublingLimit) SetMaxLevel(MaxLevel() * 2);
}

int LSRCHighPass::Coefficient(int frequency, int32_t sampleRate) {
  // A negative frequency would give a negative, unstable coefficient.
  if (frequency <= 0) return 0;
  const double twoPi = 6.283185307;
  return static_cast<int>((1.0 - std::exp(-twoPi * frequency / sampleRate)) * 256.0);
}

void LSRCHighPass::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  Upstream().Read(buffer, frames);
  const int channels = Channels();
  for (int channel = 0; channel < channels; ++channel) {
    // In-range samples keep the state within 32 bits; 64 bits only make
    // out-of-range input saturate instead of overflowing.
    int64_t state = state_[static_cast<size_t>(channel)];
    int32_t* sample = buffer + channel;
    for (int32_t i = 0; i < frames; ++i, sample += channels) {
      const int64_t out = *sample - (state >> 8);
      state += out * coefficient_;
      *sample = Saturate(out);
    }
    state_[static_cast<size_t>(channel)] = state;
  }
}

void LSRCHighPass::Seek(int32_t frame) {
  LSRCFilterBase::Seek(frame);
  std::fill(state_.begin(), state_.end(), 0);
}
