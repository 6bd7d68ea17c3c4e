#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

// The format every wave device is opened with: 16-bit PCM, interleaved.
struct LWavePcmFormat {
  uint32_t sampleRate = 8000;
  int channels = 1;

  uint32_t BlockAlign() const { return static_cast<uint32_t>(channels) * 2; }
};

// Frames in one 100 ms buffer of the player and the recorder, kept within
// 20..8192 for very low and very high rates.
inline int32_t WaveBufferFrames(int32_t sampleRate) {
  return std::clamp(sampleRate / 10, 20, 8192);
}

// One buffer of 16-bit PCM handed to a wave device. The player or recorder
// owns the header and its data; a device holds it from Write/AddBuffer until
// it sets kDone (and signals the owner's completion event), after which the
// owner may touch the data again.
struct LWaveHeader {
  static constexpr uint32_t kDone = 1;
  static constexpr uint32_t kPrepared = 2;
  static constexpr uint32_t kBeginLoop = 4;
  static constexpr uint32_t kEndLoop = 8;
  static constexpr uint32_t kInQueue = 16;

  int16_t* data = nullptr;
  uint32_t bufferLength = 0;   // bytes to play, or the room to record into
  uint32_t bytesRecorded = 0;  // set by input devices
  uint32_t user = 0;           // the owner's own value
  uint32_t loops = 0;          // passes of a looping buffer
  // Written by the device's thread while the owner polls kDone.
  std::atomic<uint32_t> flags{0};

  bool IsDone() const { return (flags.load() & kDone) != 0; }
  bool IsQueued() const { return (flags.load() & kInQueue) != 0; }
  // Makes the header usable by a device, marked done (nothing pending).
  void Prepare(int16_t* buffer, uint32_t bytes);
  // False while a device still holds the buffer.
  bool Unprepare();
};
