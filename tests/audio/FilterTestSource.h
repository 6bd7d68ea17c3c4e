#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "audio/LSoundSourceBase.h"

// A generated source for filter tests: sample(frame, channel) inside
// 0..length, zeros elsewhere; seekable; its streaming flag and maximum level
// are chosen by the test.
class GeneratedSource final : public LSoundSourceBase {
 public:
  using Generator = std::function<int32_t(int32_t frame, int channel)>;

  GeneratedSource(int32_t rate, int channels, int32_t length, Generator generator,
                  uint32_t maxLevel = kFullScale16)
      : LSoundSourceBase(rate, channels, maxLevel),
        length_(length),
        generator_(std::move(generator)) {}

  void Read(int32_t* buffer, int32_t frames) override {
    for (int32_t i = 0; i < frames; ++i, ++position_) {
      for (int c = 0; c < Channels(); ++c) {
        const bool inside = position_ >= 0 && position_ < length_;
        *buffer++ = inside ? generator_(position_, c) : 0;
      }
    }
  }
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override { return length_; }
  void Seek(int32_t frame) override { position_ = frame; }
  bool IsStreaming() override { return streaming; }

  bool streaming = false;

 private:
  int32_t length_;
  Generator generator_;
  int32_t position_ = 0;
};

inline GeneratedSource::Generator Tone(double amplitude, double frequency, int32_t rate) {
  return [=](int32_t frame, int) {
    return static_cast<int32_t>(
        std::lround(amplitude * std::sin(2 * M_PI * frequency * frame / rate)));
  };
}

inline GeneratedSource::Generator Constant(int32_t value) {
  return [=](int32_t, int) { return value; };
}

// All samples of the next `frames` frames.
inline std::vector<int32_t> ReadFrames(LSoundSourceBase& source, int32_t frames) {
  std::vector<int32_t> samples(static_cast<size_t>(frames) * source.Channels());
  source.Read(samples.data(), frames);
  return samples;
}

inline int32_t PeakOf(const std::vector<int32_t>& samples, size_t from = 0) {
  int32_t peak = 0;
  for (size_t i = from; i < samples.size(); ++i) peak = std::max(peak, std::abs(samples[i]));
  return peak;
}
