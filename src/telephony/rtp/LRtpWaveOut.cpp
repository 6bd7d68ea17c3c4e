#include "telephony/rtp/LRtpWaveOut.h"

#include "core/Trace.h"

LRtpWaveOut::LRtpWaveOut(std::shared_ptr<LRtpDeviceHub> hub, LSignalObject& done)
    : LWaveOutQueued(done), hub_(std::move(hub)) {
  hub_->AttachOut(queue_);
}

LRtpWaveOut::~LRtpWaveOut() {
  hub_->Detach(queue_);
  queue_.Shutdown();
  queue_.ReturnAll();
}

bool LRtpWaveOut::Write(LWaveHeader& header) {
  if (header.bufferLength == 0 || header.bufferLength % 2 != 0) {
    Trace("LRtpWaveOut::Write buffer of %u bytes refused", header.bufferLength);
    return false;
  }
  if (!queue_.Add(header)) return false;
  hub_->Played(queue_);
  return true;
}

