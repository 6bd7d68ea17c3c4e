#include "audio/LSRCPeakLimit.h"

#include <algorithm>
#include <utility>

#include "audio/GainProduct.h"
#include "audio/LevelMeter.h"

LSRCPeakLimit::LSRCPeakLimit(LSoundSourceRef upstream, uint32_t limit)
    : LSRCFilterBase(std::move(upstream)),
      limit_(static_cast<int32_t>(std::min<uint32_t>(limit, kMaxLimit))),
      blockFrames_(std::clamp(SampleRate() / 35, 20, 8192)),
      blockSamples_(blockFrames_ * Channels()),
      buffer_(static_cast<size_t>(blockSamples_) * 3, 0) {
  SetMaxLevel(static_cast<uint32_t>(limit_));
}

int32_t LSRCPeakLimit::BlockGain(uint32_t peak, int32_t limit) {
  if (peak <= static_cast<uint32_t>(limit)) return kUnityGain;
  const int64_t scaledPeak = (int64_t{peak} + 64) >> 6;
  return static_cast<int32_t>((int64_t{limit} * 512 / scaledPeak) * 512);
}

void LSRCPeakLimit::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  if (!started_) Restart();
  const int channels = Channels();
  while (frames > 0) {
    if (used_ == blockFrames_) Advance();
    const int32_t count = std::min(frames, blockFrames_ - used_);
    const int32_t* in = BlockData(kCurrent) + used_ * channels;
    if (gain_ >= kUnityGain && increment_ == 0) {
      std::copy_n(in, count * channels, buffer);
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

int32_t LSRCPeakLimit::GetPosition() {
  const int32_t upstream = LSRCFilterBase::GetPosition();
  if (!started_) return upstream;
  return upstream - (3 * blockFrames_ - used_);
}

int32_t LSRCPeakLimit::GetEndSample() {
  const int32_t end = LSRCFilterBase::GetEndSample();
  return IsStreaming() ? end - 3 * blockFrames_ : end;
}

void LSRCPeakLimit::Seek(int32_t frame) {
  LSRCFilterBase::Seek(frame);
  Restart();
}

void LSRCPeakLimit::Restart() {
  for (Block block : {kCurrent, kNext, kAfterNext}) FillBlock(block);
  finishedGain_ = gains_[kCurrent];
  gain_ = gains_[kCurrent];
  PlanCurrentBlock();
  used_ = 0;
  started_ = true;
}

// The used-up current block's storage takes the newest block.
void LSRCPeakLimit::Advance() {
  slots_ = {slots_[kNext], slots_[kAfterNext], slots_[kCurrent]};
  finishedGain_ = gains_[kCurrent];
  gains_[kCurrent] = gains_[kNext];
  gains_[kNext] = gains_[kAfterNext];
  FillBlock(kAfterNext);
  PlanCurrentBlock();
  used_ = 0;
}

void LSRCPeakLimit::FillBlock(Block block) {
  int32_t* data = BlockData(block);
  Upstream().Read(data, blockFrames_);
  // A source in error may leave the buffer as it was; it must sound silent.
  if (IsError()) std::fill_n(data, blockSamples_, 0);
  gains_[block] = BlockGain(PeakLevel(data, blockSamples_), limit_);
}

// The ramp ends exactly on the target after the block: the remainder of the
// division is applied at once.
void LSRCPeakLimit::PlanCurrentBlock() {
  const int32_t average =
      (finishedGain_ + gains_[kCurrent] + gains_[kNext] + gains_[kAfterNext]) >> 2;
  const int32_t target = std::min({gains_[kCurrent], gains_[kNext], average});
  const int32_t delta = target - gain_;
  increment_ = delta / blockFrames_;
  gain_ += delta % blockFrames_;
}
