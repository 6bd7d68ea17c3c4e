#include "telephony/rtp/LRtpWaveIn.h"

#include "core/Trace.h"

LRtpWaveIn::LRtpWaveIn(std::shared_ptr<LRtpDeviceHub> hub, LSignalObject& done)
    : hub_(std::move(hub)), queue_(LWaveQueue::Direction::kIn, done, false) {
  hub_->AttachIn(queue_);
}

LRtpWaveIn::~LRtpWaveIn() {
  hub_->Detach(queue_);
  queue_.Shutdown();
  queue_.ReturnAll();
}

bool LRtpWaveIn::AddBuffer(LWaveHeader& header) {
  if (header.bufferLength == 0 || header.bufferLength % 2 != 0) {
    Trace("LRtpWaveIn::AddBuffer buffer of %u bytes refused", header.bufferLength);
    return false;
  }
  return queue_.Add(header);
}

void LRtpWaveIn::Stop() {
  queue_.SetRunning(false);
  queue_.ReturnPartial();
}

void LRtpWaveIn::Reset() {
  queue_.SetRunning(false);
  queue_.ReturnAll();
}
