#pragma once

#include <memory>

#include "telephony/rtp/LRtpDeviceHub.h"
#include "telephony/wave/LWaveOutQueued.h"

// A call's wave-out device: the buffers it is given are sent to the far end
// by the call's media, 20 ms a packet; a buffer is done once all of it was
// sent. Paused, it leaves its buffers waiting and the call hears silence.
class LRtpWaveOut final : public LWaveOutQueued {
 public:
  LRtpWaveOut(std::shared_ptr<LRtpDeviceHub> hub, LSignalObject& done);
  ~LRtpWaveOut() override;

  // A buffer that is empty or not whole samples is refused.
  bool Write(LWaveHeader& header) override;

 private:
  const std::shared_ptr<LRtpDeviceHub> hub_;
};
