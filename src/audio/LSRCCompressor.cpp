#include "audio/LSRCCompressor.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "audio/GainProduct.h"
#include "audio/LevelMeter.h"

namespace {

constexpr int kUpperLimitDb = 127;
constexpr double kAboveUpperLimit = 0.8913;

// A very low threshold with a strong ratio would ask for more than 2^31.
int32_t ToGain(double g) {
  return static_cast<int32_t>(std::clamp(g, -2147483648.0, 2147483647.0));
}

}  // namespace

LSRCCompressor::LSRCCompressor(LSoundSourceRef upstream, int8_t thresholdDb, double ratio,
                               int32_t windowMs)
    : LSRCFilterBase(std::move(upstream)),
      curve_(BuildCurve(thresholdDb, ratio)),
      blockFrames_(BlockFramesFor(windowMs, SampleRate())),
      blockSamples_(blockFrames_ * Channels()),
      current_(static_cast<size_t>(blockSamples_), 0),
      next_(static_cast<size_t>(blockSamples_), 0) {
  SetMaxLevel(kMaxLevel);
  Restart();
}

LSRCCompressor::Curve LSRCCompressor::BuildCurve(int8_t thresholdDb, double ratio) {
  Curve curve{};
  double g = kUnityGain;
  if (thresholdDb < 0) g = g / std::pow(ratio, -thresholdDb);
  int index = 0;
  for (; index <= thresholdDb + 127; ++index) curve[static_cast<size_t>(index)] = ToGain(g);
  for (; index <= kUpperLimitDb + 127; ++index) {
    curve[static_cast<size_t>(index)] = ToGain(g);
    g *= ratio;
  }
  for (; index < 256; ++index) {
    curve[static_cast<size_t>(index)] = ToGain(g);
    g *= kAboveUpperLimit;
  }
  return curve;
}

int32_t LSRCCompressor::BlockFramesFor(int32_t windowMs, int32_t sampleRate) {
  const int64_t frames =
      int64_t{windowMs / 1000} * sampleRate + int64_t{windowMs % 1000} * sampleRate / 1000;
  return static_cast<int32_t>(std::clamp<int64_t>(frames, 128, 8192));
}

void LSRCCompressor::Read(int32_t* buffer, int32_t frames) {
  const int channels = Channels();
  while (frames > 0) {
    if (used_ == blockFrames_) Advance();
    const int32_t count = std::min(frames, blockFrames_ - used_);
    const int32_t* in = current_.data() + used_ * channels;
    for (int32_t i = 0; i < count * channels; i += channels) {
      for (int c = 0; c < channels; ++c) buffer[i + c] = GainProduct(in[i + c], gain_);
      gain_ += increment_;
    }
    buffer += count * channels;
    used_ += count;
    frames -= count;
  }
}

int32_t LSRCCompressor::GetPosition() {
  return LSRCFilterBase::GetPosition() - (2 * blockFrames_ - used_);
}

int32_t LSRCCompressor::GetEndSample() {
  const int32_t end = LSRCFilterBase::GetEndSample();
  return IsStreaming() ? end - 2 * blockFrames_ : end;
}

void LSRCCompressor::Seek(int32_t frame) {
  LSRCFilterBase::Seek(frame);
  Restart();
}

void LSRCCompressor::Restart() {
  const int32_t first = Fill(current_);
  gain_ = first;
  previousTarget_ = first;
  target_ = Fill(next_);
  Plan();
  used_ = 0;
}

void LSRCCompressor::Advance() {
  std::swap(current_, next_);
  previousTarget_ = target_;
  target_ = Fill(next_);
  Plan();
  used_ = 0;
}

// Reads a block from the upstream and returns its gain from the curve.
int32_t LSRCCompressor::Fill(std::vector<int32_t>& block) {
  Upstream().Read(block.data(), blockFrames_);
  // A source in error may leave the buffer as it was; it must sound silent.
  if (IsError()) std::fill(block.begin(), block.end(), 0);
  const int db = MeanSquareDb(MeanSquareLevel(block.data(), blockSamples_));
  return curve_[static_cast<size_t>(db + 128)];
}

// Compression sets in quickly (over 1.25 blocks); release goes halfway to
// the next block's gain over two blocks.
void LSRCCompressor::Plan() {
  const int64_t current = gain_;
  if (target_ < gain_) {
    increment_ = static_cast<int32_t>((target_ - current) / (blockFrames_ + blockFrames_ / 4));
  } else {
    const int64_t halfway = (int64_t{target_} + previousTarget_) >> 1;
    increment_ = static_cast<int32_t>((halfway - current) / (2 * blockFrames_));
  }
}
