#pragma once

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "audio/LProgress.h"
#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"

// Frame f of channel c of a ramp holds (f + 1) * (c + 1): every frame is
// recognisable, and none is zero, so lost or shifted frames show.
inline int32_t RampSample(int32_t frame, int channel) { return (frame + 1) * (channel + 1); }

inline double SineAt(double amplitude, double hz, int32_t rate, int32_t frame) {
  return amplitude * std::sin(2 * M_PI * hz * frame / rate);
}

// A seekable source of generator(frame, channel) inside 0..end, zeros
// elsewhere. A growing source adds `growBy` frames after every read until it
// reaches `finalEnd`, streaming until then, like a file still being written.
class TestSource final : public LSoundSourceBase {
 public:
  using Generator = std::function<int32_t(int32_t frame, int channel)>;

  TestSource(int32_t rate, int channels, int32_t end, Generator generator = RampSample,
             uint32_t maxLevel = kFullScale16)
      : LSoundSourceBase(rate, channels, maxLevel), generator_(std::move(generator)), end_(end), finalEnd_(end) {}

  void Grow(int32_t growBy, int32_t finalEnd) { growBy_ = growBy, finalEnd_ = finalEnd; }
  void Read(int32_t* buffer, int32_t frames) override {
    for (int32_t i = 0; i < frames; ++i, ++position_)
      for (int c = 0; c < Channels(); ++c) *buffer++ = position_ >= 0 && position_ < end_ ? generator_(position_, c) : 0;
    end_ = std::min(end_ + growBy_, finalEnd_);
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return end_; }
  void Seek(int32_t frame) override { position_ = frame; }
  bool IsStreaming() override { return streaming || end_ < finalEnd_; }

  bool streaming = false;

 private:
  Generator generator_;
  int32_t position_ = 0, end_, growBy_ = 0, finalEnd_;
};

inline TestSource::Generator Tone(double amplitude, double hz, int32_t rate) {
  return [=](int32_t frame, int) {
    return static_cast<int32_t>(std::lround(SineAt(amplitude, hz, rate, frame)));
  };
}
inline TestSource::Generator Constant(int32_t value) { return [=](int32_t, int) { return value; }; }

// The next `frames` frames (-1 marks any sample the source left unwritten).
inline std::vector<int32_t> ReadFrames(LSoundSourceBase& source, int32_t frames) {
  std::vector<int32_t> samples(static_cast<size_t>(frames) * source.Channels(), -1);
  source.Read(samples.data(), frames);
  return samples;
}

inline int32_t PeakOf(const std::vector<int32_t>& samples, size_t from = 0, size_t to = SIZE_MAX) {
  int32_t peak = 0;
  for (size_t i = from; i < std::min(to, samples.size()); ++i) peak = std::max(peak, std::abs(samples[i]));
  return peak;
}

// Keeps every frame written (none when in error, as with zero channels);
// Truncate cuts back like a file sink. With `failAt` set it fails like a full
// disk once a write would pass that frame.
class CollectSink final : public LSoundSinkBase {
 public:
  using LSoundSinkBase::LSoundSinkBase;
  void Write(const int32_t* buffer, int32_t frames) override {
    if (failAt >= 0 && Position() + frames > failAt) SetError(ENOSPC);
    if (!IsError()) samples.insert(samples.end(), buffer, buffer + frames * Channels());
    Advance(frames);
  }
  void Truncate(int32_t frame) override {
    if (frame >= Position()) return;
    truncations.push_back(frame);
    samples.resize(static_cast<std::size_t>(frame) * Channels());
    SetPosition(frame);
  }
  std::vector<int32_t> samples, truncations;
  int32_t failAt = -1;
};

// Records what a process reports; cancels from the given IsCancelled call on.
class RecordingProgress final : public LProgress {
 public:
  explicit RecordingProgress(int cancelAtCall = -1) : cancelAt_(cancelAtCall) {}
  void SetText(int line, std::string_view text) override {
    (line == 0 ? title : step) = std::string(text);
    if (line == 1) steps.push_back(step);
  }
  void SetProgress(double fraction) override { fractions.push_back(fraction); }
  bool IsCancelled() override {
    if (onLook) onLook();
    return cancelAt_ > 0 && ++calls_ >= cancelAt_;
  }

  std::string title, step;
  std::vector<std::string> steps;  // every step text, in order
  std::vector<double> fractions;
  std::function<void()> onLook;  // called as the worker asks whether to stop

 private:
  int cancelAt_, calls_ = 0;
};
