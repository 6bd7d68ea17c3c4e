#include "audio/LDPAutoGain.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "audio/LSPPeakLimit.h"
#include "audio/LevelMeter.h"
#include "core/FileIo.h"
#include "core/Trace.h"

namespace {

constexpr double kTwoPi = 6.283185307;
constexpr int32_t kMinBlock = 20;
constexpr int32_t kMaxBlock = 8192;
constexpr std::size_t kBatchBytes = 64 * 1024;

// Q8 coefficient of a one-pole filter with its corner at `hz`.
int32_t Coefficient(int32_t hz, int32_t rate) {
  if (rate < 1) return 0;
  return static_cast<int32_t>((1 - std::exp(-kTwoPi * hz / rate)) * 256);
}

// Walks up from `from`, removing each level's blocks, and returns the level
// whose removal left at most `keep` of the `total` blocks.
int WalkUp(const LDPAutoGain::Histogram& histogram, int from, uint32_t total, uint32_t keep) {
  int level = from;
  while (total > keep && level < 127) {
    total -= histogram[static_cast<std::size_t>(level + 128)];
    if (total <= keep) break;
    ++level;
  }
  return level;
}

}  // namespace

LDPAutoGain::LDPAutoGain(LSoundSourceRef source, LSoundSinkRef sink, const Parameters& parameters)
    : source_(std::move(source)), sink_(std::move(sink)), parameters_(parameters) {
  if (!source_ || source_->IsError() || !sink_ || sink_->IsError()) return;
  if (sink_->Channels() < source_->Channels()) {
    source_ = LSPConvChannels(sink_->Channels()).OpenSource(source_);
  }
  if (sink_->SampleRate() < static_cast<uint32_t>(source_->SampleRate())) {
    source_ = LSPConvertRate(static_cast<int32_t>(sink_->SampleRate())).OpenSource(source_);
  }
  if (!source_->IsError()) Open();
}

void LDPAutoGain::Open() {
  const int32_t rate = source_->SampleRate();
  channels_ = source_->Channels();
  blockFrames_ = std::clamp(rate / 50, kMinBlock, kMaxBlock);
  std::string path;
  samples_ = CreateTempFile("lca", path);
  if (!samples_.Valid()) {
    Trace("LDPAutoGain unable to create a temporary file: %s", std::strerror(errno));
    return;
  }
  ::unlink(path.c_str());
  a1_ = Coefficient(parameters_.highPassHz, rate);
  a2_ = Coefficient(parameters_.emphasisHz, rate);
  block_.resize(static_cast<std::size_t>(blockFrames_) * static_cast<std::size_t>(channels_));
  kept_.reserve(kBatchBytes + block_.size() * sizeof(int32_t));
  filters_.assign(static_cast<std::size_t>(channels_), Filter{});
  histograms_.assign(static_cast<std::size_t>(channels_), Histogram{});
  state_ = State::kAnalysing;
}

bool LDPAutoGain::Step() {
  if (state_ == State::kAnalysing) return Analyse();
  if (state_ == State::kWriting) return Write();
  return false;
}

void LDPAutoGain::Fail() {
  state_ = State::kUnusable;
  failed_ = true;
}

bool LDPAutoGain::Analyse() {
  source_->Read(block_.data(), blockFrames_);
  kept_.append(reinterpret_cast<const char*>(block_.data()), block_.size() * sizeof(int32_t));
  MeasureBlock();
  const bool more = source_->GetPosition() < source_->GetEndSample();
  if ((!more || kept_.size() >= kBatchBytes) && !FlushKept()) return false;
  return more || StartWriting();
}

bool LDPAutoGain::FlushKept() {
  if (!WriteFully(samples_.Get(), kept_)) {
    Trace("LDPAutoGain unable to keep the analysed samples: %s", std::strerror(errno));
    Fail();
    return false;
  }
  kept_.clear();
  return true;
}

// The analysis filters run over the block in place (the raw samples are
// already kept); then each channel's level is counted.
void LDPAutoGain::MeasureBlock() {
  for (int c = 0; c < channels_; ++c) {
    Filter& f = filters_[static_cast<std::size_t>(c)];
    for (int32_t i = 0; i < blockFrames_; ++i) {
      int32_t& sample = block_[static_cast<std::size_t>(i * channels_ + c)];
      int64_t x = sample - (f.s1 >> 8);
      f.s1 += x * a1_;
      const int64_t d = x - (f.s2 >> 8);
      x += d;
      f.s2 += d * a2_;
      sample = static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
    }
    const int level = MeanSquareDb(MeanSquareLevel(block_.data(), blockFrames_, channels_, c));
    ++histograms_[static_cast<std::size_t>(c)][static_cast<std::size_t>(level + 128)];
    levels_.push_back(static_cast<int8_t>(level));
  }
}

int LDPAutoGain::SpeechLevel(const Histogram& histogram) {
  uint32_t total = 0;
  for (uint32_t count : histogram) total += count;
  const int loud = WalkUp(histogram, -127, total, (total + 8) >> 3);
  const int from = loud < -112 ? -127 : loud - 15;
  uint32_t count = 0;
  for (int level = from; level <= 127; ++level) count += histogram[static_cast<std::size_t>(level + 128)];
  return std::clamp(WalkUp(histogram, from, count, (count + 2) >> 1), -127, 127);
}

bool LDPAutoGain::StartWriting() {
  LSRCAutoGain::Analysis analysis;
  analysis.sampleRate = source_->SampleRate();
  analysis.channels = channels_;
  analysis.blockFrames = blockFrames_;
  analysis.levels = std::move(levels_);
  for (const Histogram& histogram : histograms_) analysis.speechLevels.push_back(SpeechLevel(histogram));
  LSoundSourceRef output = new LSRCAutoGain(samples_.Get(), std::move(analysis), parameters_.shape);
  if (output->SampleRate() != static_cast<int32_t>(sink_->SampleRate())) {
    output = LSPConvertRate(static_cast<int32_t>(sink_->SampleRate())).OpenSource(output);
  }
  if (output->Channels() != sink_->Channels()) {
    output = LSPConvChannels(sink_->Channels()).OpenSource(output);
  }
  if (output->MaxLevel() > kFullScale16) output = LSPPeakLimit(kFullScale16).OpenSource(output);
  if (output->IsError()) {
    Trace("LDPAutoGain unable to set up the output");
    Fail();
    return false;
  }
  source_ = std::move(output);
  block_.resize(static_cast<std::size_t>(blockFrames_) * static_cast<std::size_t>(sink_->Channels()));
  output_.reserve(kBatchBytes / sizeof(int32_t) + block_.size());
  state_ = State::kWriting;
  return true;
}

bool LDPAutoGain::Write() {
  source_->Read(block_.data(), blockFrames_);
  output_.insert(output_.end(), block_.begin(), block_.end());
  const bool more = source_->GetPosition() < source_->GetEndSample();
  if ((!more || output_.size() * sizeof(int32_t) >= kBatchBytes) && !FlushOutput()) return false;
  return more;
}

bool LDPAutoGain::FlushOutput() {
  const auto frames = static_cast<int32_t>(output_.size() / static_cast<std::size_t>(sink_->Channels()));
  sink_->Write(output_.data(), frames);
  output_.clear();
  if (!sink_->IsError()) return true;
  Fail();
  return false;
}

double LDPAutoGain::Progress() {
  if (!source_ || state_ == State::kUnusable) return 0;
  const double end = std::max(source_->GetEndSample(), 1);
  const double done = std::min(source_->GetPosition() / end, 1.0);
  return state_ == State::kAnalysing ? done / 2 : 0.5 + done / 2;
}
