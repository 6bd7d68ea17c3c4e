#include "telephony/dsp/LSinkEndOfCallTone.h"

#include <algorithm>
#include <cstdlib>

#include "audio/LineRate.h"

namespace {

// Far beyond any real sample; keeps the sums from overflowing on odd input.
constexpr int32_t kMaxToneSample = 1 << 24;

bool Usable(const LSoundSinkRef &sink) { return sink && !sink->IsError(); }

}  // namespace

LSinkEndOfCallTone::LSinkEndOfCallTone(LSoundSinkRef inner, std::atomic<uint8_t> &flags)
    : LSoundSinkBase(Usable(inner) ? inner->SampleRate() : kLineRate,
                     Usable(inner) ? inner->Channels() : 1),
      inner_(std::move(inner)),
      flags_(flags),
      blockLength_(std::max<int32_t>(static_cast<int32_t>(SampleRate() / 40), 20)),
      countdown_(blockLength_) {
  // Positions are the inner sink's, so cuts made through the detector land
  // where they would on the sink itself (an appended file starts long).
  if (inner_) SetPosition(inner_->Position());
}

void LSinkEndOfCallTone::Write(const int32_t *buffer, int32_t frames) {
  if (inner_) {
    inner_->Write(buffer, frames);
    SetPosition(inner_->Position());
  } else {
    Advance(frames);
  }
  // The first `frames` samples are taken as mono, whatever the channels.
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t sample = std::clamp(buffer[i], -kMaxToneSample, kMaxToneSample);
    largest_ = std::max(largest_, sample);
    smallest_ = std::min(smallest_, sample);
    if (--countdown_ == 0) {
      countdown_ = blockLength_;
      EndBlock();
    }
  }
}

void LSinkEndOfCallTone::Truncate(int32_t frame) {
  if (inner_) {
    inner_->Truncate(frame);
    SetPosition(inner_->Position());
  } else {
    SetPosition(std::min(Position(), frame));
  }
}

void LSinkEndOfCallTone::EndBlock() {
  const int32_t peak = std::max(largest_, -smallest_);
  history_[static_cast<std::size_t>(index_)] = peak;
  largest_ = 0;
  smallest_ = 0;
  if (EnvelopeRepeats(peak)) {
    int32_t loudest = 0;
    for (int i = 0; i < kLoudBlocks; ++i) loudest = std::max(loudest, At(i));
    if (loudest >= kLoudPeak) flags_.fetch_or(kDetected, std::memory_order_release);
  }
  index_ = (index_ + 1) % kHistory;
}

// Whether the envelope matched itself one and two lags ago, for some lag,
// better than an eighth of its long-term level.
bool LSinkEndOfCallTone::EnvelopeRepeats(int32_t peak) {
  longTermAverage_ += peak - (longTermAverage_ >> 6);
  const int32_t reference = longTermAverage_ >> 3;
  bool repeats = false;
  for (int k = 0; k < kLags; ++k) {
    const int lag = kFirstLag + k;
    int32_t &a = accumulators_[static_cast<std::size_t>(k)];
    a += std::abs(peak - At(lag)) + std::abs(peak - At(2 * lag)) / 2 - (a >> 6);
    if (a < reference) repeats = true;
  }
  return repeats;
}

int32_t LSinkEndOfCallTone::At(int blocksAgo) const {
  return history_[static_cast<std::size_t>((index_ - blocksAgo + 2 * kHistory) % kHistory)];
}
