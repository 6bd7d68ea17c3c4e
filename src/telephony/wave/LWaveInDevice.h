#pragma once

#include "telephony/wave/LWaveHeader.h"

// An open wave-in device: queued buffers are filled with 16-bit PCM in order
// while the device is started, each marked done with its bytesRecorded and
// the completion event (given at open) set when it is full. Opened stopped.
// Closing is destruction, which returns every buffer first. All operations
// may be called from any thread.
class LWaveInDevice {
 public:
  LWaveInDevice() = default;
  virtual ~LWaveInDevice() = default;
  LWaveInDevice(const LWaveInDevice&) = delete;
  LWaveInDevice& operator=(const LWaveInDevice&) = delete;

  // Queues a prepared buffer to record into. False when the header is not
  // prepared or already queued.
  virtual bool AddBuffer(LWaveHeader& header) = 0;
  virtual void Start() = 0;
  // Stops recording; a partly filled buffer is returned, the rest stay queued.
  virtual void Stop() = 0;
  // Stops and returns every queued buffer marked done. When it returns the
  // device touches no buffer.
  virtual void Reset() = 0;
};
