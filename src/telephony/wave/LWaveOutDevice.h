#pragma once

#include <cstdint>

#include "telephony/wave/LWaveHeader.h"

// An open wave-out device: queued buffers of 16-bit PCM played in order, each
// marked done and the completion event (given at open) set when it has
// sounded. Closing is destruction, which returns every buffer first. All
// operations may be called from any thread.
class LWaveOutDevice {
 public:
  LWaveOutDevice() = default;
  virtual ~LWaveOutDevice() = default;
  LWaveOutDevice(const LWaveOutDevice&) = delete;
  LWaveOutDevice& operator=(const LWaveOutDevice&) = delete;

  // Queues a prepared buffer. One carrying kBeginLoop and kEndLoop repeats
  // `loops` times. False when the header is not prepared or already queued.
  virtual bool Write(LWaveHeader& header) = 0;
  // Holds playback where it is; queued buffers wait.
  virtual void Pause() = 0;
  virtual void Restart() = 0;
  // Stops at once and returns every queued buffer marked done; the device is
  // no longer paused afterwards. When it returns the device touches no buffer.
  virtual void Reset() = 0;
  // Lets a looping buffer end after its current pass.
  virtual void BreakLoop() = 0;
  // Bytes handed over and not yet sounded.
  virtual uint32_t QueuedBytes() const = 0;
};
