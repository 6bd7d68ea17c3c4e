#pragma once

#include <cstdint>
#include <limits>

#include "audio/LSoundRef.h"

// Samples inside every chain are signed 32-bit at 16 times the 16-bit PCM
// scale: 16-bit v enters as v << 4, unsigned 8-bit u as (u - 128) * 4096.
inline constexpr int32_t kFullScale16 = 524272;  // 0x7FFF0

// Leaving a chain: (x + 8) >> 4 and ((x + 2048) >> 12) + 128, truncated and
// never clipped; the peak limiter in front of a sink keeps x in range.
inline int16_t ChainTo16(int32_t x) { return static_cast<int16_t>((x + 8) >> 4); }
inline uint8_t ChainTo8(int32_t x) { return static_cast<uint8_t>(((x + 2048) >> 12) + 128); }
inline int32_t ChainFrom16(int16_t v) { return static_cast<int32_t>(v) * 16; }
inline int32_t ChainFrom8(uint8_t u) { return (static_cast<int32_t>(u) - 128) * 4096; }
// 24- and 32-bit samples, left-justified in 32 bits: the chain keeps their
// top 20 bits, so wide files pass through at more than 16-bit precision.
// Leaving, samples are clipped to the container.
inline int32_t ChainFrom32(int32_t v) {
  return static_cast<int32_t>((static_cast<int64_t>(v) + 2048) >> 12);
}
inline int32_t ChainTo32(int32_t x) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  const int64_t v = static_cast<int64_t>(x) * 4096;
  return static_cast<int32_t>(v > kMax ? kMax : (v < kMin ? kMin : v));
}

// A pull source of interleaved frames. Every Read delivers exactly the frames
// asked for (zeros where there is nothing: before frame 0, past the end, after
// a failure), so the end is found by position >= end sample after a read.
class LSoundSourceBase : public LRefCounted {
 public:
  LSoundSourceBase(int32_t sampleRate, int channels, uint32_t maxLevel);

  virtual void Read(int32_t* buffer, int32_t frames) = 0;
  virtual int32_t GetPosition() = 0;
  // Frames in the source as far as known now.
  virtual int32_t GetEndSample() = 0;
  virtual void Seek(int32_t /*frame*/) {}
  // True while the end is not yet final (a file still being written).
  virtual bool IsStreaming() { return false; }
  // Gives up the processor while polling a growing source.
  virtual void Wait(int ms);

  int32_t SampleRate() const { return sampleRate_; }
  int Channels() const { return channels_; }
  // The largest absolute sample value this source can produce.
  uint32_t MaxLevel() const { return maxLevel_; }
  bool IsError() const { return error_; }

 protected:
  // A rate below 1 stores 44100 and a channel count outside 1..255 stores 1;
  // both set the error flag, which never clears.
  void SetSampleRate(int32_t sampleRate);
  void SetChannels(int channels);
  void SetMaxLevel(uint32_t maxLevel) { maxLevel_ = maxLevel; }
  void SetError() { error_ = true; }

 private:
  int32_t sampleRate_ = 44100;
  uint32_t maxLevel_;
  uint8_t channels_ = 1;
  bool error_ = false;
};

using LSoundSourceRef = LRef<LSoundSourceBase>;
