#include "telephony/sip/SipRtpLatch.h"

void SipRtpLatch::Start(uint64_t nowMs) {
  started_ = true;
  Restart(nowMs);
}

void SipRtpLatch::Restart(uint64_t nowMs) {
  if (!started_ || mode_ == SipRtpLatchMode::kOff) return;
  open_ = true;
  closesAtMs_ = nowMs + kWindowMs;
}

bool SipRtpLatch::Takes(const SipHostPort& source, uint64_t nowMs) {
  if (!open_ || nowMs >= closesAtMs_ || !source.IsSet()) return false;
  if (mode_ == SipRtpLatchMode::kSignalling && source.host != signallingHost_) return false;
  open_ = false;
  return true;
}

bool SipRtpLatch::HoldsMoveTo(const SipHostPort& next, const std::string& previousHost) const {
  return mode_ == SipRtpLatchMode::kSignalling && !previousHost.empty() && next.IsSet() &&
         next.host != signallingHost_ && next.host != previousHost;
}
