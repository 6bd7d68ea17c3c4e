#pragma once

#include <memory>

#include "telephony/rtp/LRtpDeviceHub.h"
#include "telephony/wave/LWaveInDevice.h"
#include "telephony/wave/LWaveQueue.h"

// A call's wave-in device: while started, its buffers are filled with what
// the far end sends, 20 ms at a time as the call's media takes it from the
// jitter buffer; a buffer is done when full.
class LRtpWaveIn final : public LWaveInDevice {
 public:
  LRtpWaveIn(std::shared_ptr<LRtpDeviceHub> hub, LSignalObject& done);
  ~LRtpWaveIn() override;

  // A buffer that is empty or not whole samples is refused.
  bool AddBuffer(LWaveHeader& header) override;
  void Start() override { queue_.SetRunning(true); }
  void Stop() override;
  void Reset() override;

 private:
  const std::shared_ptr<LRtpDeviceHub> hub_;
  LWaveQueue queue_;
};
