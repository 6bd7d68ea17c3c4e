#include "audio/LSRCAutoGain.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "audio/GainProduct.h"
#include "audio/GainTable.h"
#include "core/FileIo.h"

namespace {

static_assert(std::endian::native == std::endian::little, "the sample file is little-endian");

constexpr int32_t kLookAheadBlocks = AutoGainTracker::kWindow + 1;
constexpr std::size_t kWindowBytes = 64 * 1024;

int ClampDb(int db) { return std::clamp(db, -127, 127); }

}  // namespace

LSRCAutoGain::LSRCAutoGain(int samples, Analysis analysis, const Shape& shape)
    : LSoundSourceBase(analysis.sampleRate, analysis.channels, kMaxLevel),
      samples_(::dup(samples)),
      analysis_(std::move(analysis)),
      trimMode_(shape.trimMode),
      curve_(shape.lowerKnee, shape.slope, shape.upperKnee),
      tracker_(shape.floor, shape.ceiling) {
  const auto channels = static_cast<std::size_t>(Channels());
  if (!samples_.Valid() || analysis_.speechLevels.size() != channels) SetError();
  last_ = static_cast<int32_t>(analysis_.levels.size() / std::max<std::size_t>(channels, 1));
  int loudest = -127;
  for (int speech : analysis_.speechLevels) {
    offsets_.push_back(ClampDb(-speech));
    loudest = std::max(loudest, speech);
  }
  if (trimMode_ != 0) Trim(loudest);
  blockSamples_.resize(static_cast<std::size_t>(analysis_.blockFrames) * channels);
  const std::size_t blockBytes = std::max<std::size_t>(blockSamples_.size() * sizeof(int32_t), 1);
  window_.resize(blockSamples_.size() * std::max<std::size_t>(kWindowBytes / blockBytes, 1));
  gains_.assign(channels, 0);
  steps_.assign(channels, 0);
  block_ = first_;
  fed_ = first_;
}

int LSRCAutoGain::Level(int32_t block, int channel) const {
  return analysis_.levels[static_cast<std::size_t>(block) * static_cast<std::size_t>(Channels()) +
                          static_cast<std::size_t>(channel)];
}

int LSRCAutoGain::RelativeLevel(int32_t block) const {
  int level = -127;
  for (int c = 0; c < Channels(); ++c) {
    level = std::max(level, ClampDb(Level(block, c) + offsets_[static_cast<std::size_t>(c)]));
  }
  return level;
}

// Silence is dropped from the end (keeping what leads into the last loud
// block) and from the start (keeping one block as a lead-in).
void LSRCAutoGain::Trim(int speechLevel) {
  auto loudest = [this](int32_t block) {
    int level = -127;
    for (int c = 0; c < Channels(); ++c) level = std::max(level, Level(block, c));
    return level;
  };
  while (last_ - first_ > 2 && loudest(last_ - 2) <= speechLevel - 23) --last_;
  const int32_t start = first_;
  while (first_ < last_ && loudest(first_) <= speechLevel - 15) ++first_;
  if (first_ > start) --first_;
}

void LSRCAutoGain::Read(int32_t* buffer, int32_t frames) {
  const int channels = Channels();
  while (frames > 0) {
    if (block_ >= last_ || IsError()) {
      std::fill_n(buffer, static_cast<std::size_t>(frames) * channels, 0);
      position_ += frames;
      return;
    }
    if (inBlock_ == 0) StartBlock();
    const int32_t count = std::min(frames, analysis_.blockFrames - inBlock_);
    const int32_t* in = blockSamples_.data() + static_cast<std::size_t>(inBlock_) * channels;
    for (int32_t f = 0; f < count; ++f) {
      for (int c = 0; c < channels; ++c) {
        int64_t& gain = gains_[static_cast<std::size_t>(c)];
        const auto g = static_cast<int32_t>(std::clamp<int64_t>(gain, 0, INT32_MAX));
        *buffer++ = GainProduct(*in++, g);
        gain += steps_[static_cast<std::size_t>(c)];
      }
    }
    frames -= count;
    position_ += count;
    inBlock_ += count;
    if (inBlock_ == analysis_.blockFrames) {
      inBlock_ = 0;
      ++block_;
    }
  }
}

// Feeds the tracker up to a second ahead, then sets each channel's glide
// towards this block's gain.
void LSRCAutoGain::StartBlock() {
  const auto ahead = static_cast<int32_t>(std::min<int64_t>(int64_t{block_} + kLookAheadBlocks, INT32_MAX));
  while (fed_ < ahead) {
    if (fed_ < last_) {
      tracker_.Feed(RelativeLevel(fed_));
    } else {
      tracker_.FeedEmpty();
    }
    ++fed_;
  }
  LoadSamples(block_);
  const int tracked = tracker_.Tracked();
  const int64_t n = analysis_.blockFrames;
  for (int c = 0; c < Channels(); ++c) {
    const auto at = static_cast<std::size_t>(c);
    const int relative = ClampDb(Level(block_, c) + offsets_[at]);
    const int db = ClampDb(ClampDb(offsets_[at] - tracked) + curve_(ClampDb(relative - tracked)));
    const int64_t target = GainTable::Amplitude(db);
    if (!started_) gains_[at] = trimMode_ == 0 ? target : 0;
    steps_[at] = last_ - block_ < 2 ? -gains_[at] / n : (target - gains_[at]) / (n + n / 2);
  }
  started_ = true;
}

void LSRCAutoGain::LoadSamples(int32_t block) {
  if (block < windowFirst_ || block >= windowFirst_ + windowBlocks_) FillWindow(block);
  const std::size_t size = blockSamples_.size();
  if (block < windowFirst_ + windowBlocks_) {
    const std::size_t from = static_cast<std::size_t>(block - windowFirst_) * size;
    std::copy_n(window_.data() + from, size, blockSamples_.data());
    return;
  }
  // A short file: what there is of the block, then silence.
  const std::size_t bytes = size * sizeof(int32_t);
  const auto offset = static_cast<off_t>(block) * static_cast<off_t>(bytes);
  const std::size_t got = ReadUpToAt(samples_.Get(), blockSamples_.data(), bytes, offset);
  std::memset(reinterpret_cast<char*>(blockSamples_.data()) + got, 0, bytes - got);
  SetError();
}

void LSRCAutoGain::FillWindow(int32_t block) {
  const std::size_t blockBytes = blockSamples_.size() * sizeof(int32_t);
  const auto offset = static_cast<off_t>(block) * static_cast<off_t>(blockBytes);
  const std::size_t got =
      ReadUpToAt(samples_.Get(), window_.data(), window_.size() * sizeof(int32_t), offset);
  windowFirst_ = block;
  windowBlocks_ = static_cast<int32_t>(got / std::max<std::size_t>(blockBytes, 1));
}
