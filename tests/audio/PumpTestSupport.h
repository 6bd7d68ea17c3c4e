#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/LProgress.h"
#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"

// Frame f of channel c of a ramp holds (f + 1) * (c + 1): every frame is
// recognisable, and none is zero, so lost or shifted frames show.
inline int32_t RampSample(int32_t frame, int channel) { return (frame + 1) * (channel + 1); }

// A ramp of `end` frames. A growing ramp reports `end` at first and adds
// `growBy` frames after every read until it reaches `finalEnd`, streaming
// until then, like a file that is still being written.
class RampSource : public LSoundSourceBase {
 public:
  RampSource(int32_t rate, int channels, int32_t end, uint32_t maxLevel = kFullScale16)
      : LSoundSourceBase(rate, channels, maxLevel), end_(end), finalEnd_(end) {}
  void Grow(int32_t growBy, int32_t finalEnd) {
    growBy_ = growBy;
    finalEnd_ = finalEnd;
  }
  void Read(int32_t* buffer, int32_t frames) override {
    for (int32_t i = 0; i < frames; ++i, ++position_) {
      for (int c = 0; c < Channels(); ++c) {
        *buffer++ = position_ >= 0 && position_ < end_ ? Sample(position_, c) : 0;
      }
    }
    end_ = std::min(end_ + growBy_, finalEnd_);
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return end_; }
  void Seek(int32_t frame) override { position_ = frame; }
  bool IsStreaming() override { return end_ < finalEnd_; }

 protected:
  virtual int32_t Sample(int32_t frame, int channel) const { return RampSample(frame, channel); }

 private:
  int32_t position_ = 0;
  int32_t end_;
  int32_t growBy_ = 0;
  int32_t finalEnd_;
};

// Keeps every frame written.
class CollectSink : public LSoundSinkBase {
 public:
  CollectSink(uint32_t rate, int channels) : LSoundSinkBase(rate, channels) {
    if (channels == 0) SetError();
  }
  void Write(const int32_t* buffer, int32_t frames) override {
    if (!IsError()) samples.insert(samples.end(), buffer, buffer + frames * Channels());
    Advance(frames);
  }
  std::vector<int32_t> samples;
};

// Records what a process reports; cancels at the given IsCancelled call.
class RecordingProgress : public LProgress {
 public:
  explicit RecordingProgress(int cancelAtCall = -1) : cancelAt_(cancelAtCall) {}
  void SetText(int line, std::string_view text) override {
    (line == 0 ? title : step) = std::string(text);
  }
  void SetProgress(double fraction) override { fractions.push_back(fraction); }
  bool IsCancelled() override { return cancelAt_ > 0 && ++calls_ >= cancelAt_; }

  std::string title;
  std::string step;
  std::vector<double> fractions;

 private:
  int cancelAt_;
  int calls_ = 0;
};
