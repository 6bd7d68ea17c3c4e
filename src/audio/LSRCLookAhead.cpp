#include "audio/LSRCLookAhead.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "audio/GainProduct.h"

LSRCLookAhead::LSRCLookAhead(LSoundSourceRef upstream, int blocks, int32_t blockFrames)
    : LSRCFilterBase(std::move(upstream)),
      blockFrames_(blockFrames),
      blockSamples_(blockFrames * Channels()),
      buffer_(static_cast<size_t>(blockSamples_) * blocks, 0),
      slots_(static_cast<size_t>(blocks)),
      gains_(static_cast<size_t>(blocks), 0) {
  std::iota(slots_.begin(), slots_.end(), 0);
}

void LSRCLookAhead::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  if (!started_) Restart();
  const int channels = Channels();
  while (frames > 0) {
    if (used_ == blockFrames_) Advance();
    const int32_t count = std::min(frames, blockFrames_ - used_);
    const int32_t* in = BlockData(kCurrent) + used_ * channels;
    if (gain_ == kUnityGain && increment_ == 0) {
      std::copy_n(in, count * channels, buffer);  // what the products would give
    } else {
      for (int32_t i = 0; i < count * channels; i += channels) {
        for (int c = 0; c < channels; ++c) buffer[i + c] = GainProduct(in[i + c], gain_);
        gain_ += increment_;
      }
    }
    buffer += count * channels;
    used_ += count;
    frames -= count;
  }
}

int32_t LSRCLookAhead::GetPosition() {
  const int32_t upstream = LSRCFilterBase::GetPosition();
  if (!started_) return upstream;
  return upstream - (static_cast<int32_t>(slots_.size()) * blockFrames_ - used_);
}

int32_t LSRCLookAhead::GetEndSample() {
  const int32_t end = LSRCFilterBase::GetEndSample();
  return IsStreaming() ? end - static_cast<int32_t>(slots_.size()) * blockFrames_ : end;
}

void LSRCLookAhead::Seek(int32_t frame) {
  LSRCFilterBase::Seek(frame);
  Restart();
}

void LSRCLookAhead::Restart() {
  for (size_t block = 0; block < slots_.size(); ++block) FillBlock(static_cast<int>(block));
  finishedGain_ = gains_[kCurrent];
  gain_ = gains_[kCurrent];
  Plan();
  used_ = 0;
  started_ = true;
}

// The used-up current block's storage takes the newest block.
void LSRCLookAhead::Advance() {
  std::rotate(slots_.begin(), slots_.begin() + 1, slots_.end());
  finishedGain_ = gains_[kCurrent];
  std::rotate(gains_.begin(), gains_.begin() + 1, gains_.end());
  FillBlock(static_cast<int>(slots_.size()) - 1);
  Plan();
  used_ = 0;
}

void LSRCLookAhead::FillBlock(int block) {
  int32_t* data = BlockData(block);
  Upstream().Read(data, blockFrames_);
  // A source in error may leave the buffer as it was; it must sound silent.
  if (IsError()) std::fill_n(data, blockSamples_, 0);
  gains_[static_cast<size_t>(block)] = MeasureBlock(data, blockSamples_);
}

void LSRCLookAhead::Plan() {
  const Ramp ramp = PlanRamp(gain_);
  gain_ = ramp.start;
  increment_ = ramp.step;
}
