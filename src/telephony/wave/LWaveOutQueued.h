#pragma once

#include "telephony/wave/LWaveOutDevice.h"
#include "telephony/wave/LWaveQueue.h"

// A wave-out device whose buffers wait in an LWaveQueue until the device's
// own consumer (a thread or a timer) takes them: the queue operations every
// such device shares. Derived devices start their consumer in their own
// constructor and stop it in their destructor, before the queue goes.
class LWaveOutQueued : public LWaveOutDevice {
 public:
  explicit LWaveOutQueued(LSignalObject& done) : queue_(LWaveQueue::Direction::kOut, done, true) {}

  bool Write(LWaveHeader& header) override { return queue_.Add(header); }
  void Pause() override { queue_.SetRunning(false); }
  void Restart() override { queue_.SetRunning(true); }
  void Reset() override {
    queue_.ReturnAll();
    queue_.SetRunning(true);
  }
  void BreakLoop() override { queue_.BreakLoop(); }
  uint32_t QueuedBytes() const override { return queue_.QueuedBytes(); }

 protected:
  LWaveQueue queue_;
};
