#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "telephony/sip/SipDeviceSettings.h"
#include "telephony/sip/SipHostPort.h"

// Symmetric RTP for one call: a caller behind NAT names one address in its
// SDP and sends from another, the only one its NAT forwards to. For the
// first seconds after the media starts, and again after the SDP changes, a
// stream from elsewhere may take the SDP address's place; a packet heard
// from the current address closes that window, so a working stream is never
// taken over.
//
// With the "signalling" mode a later SDP may not aim our audio at a third
// host at once: it is sent there once a packet came from there.
class SipRtpLatch {
 public:
  static constexpr uint64_t kWindowMs = 5000;

  SipRtpLatch() = default;
  // `signallingHost`: the numeric address the call's SIP messages came from.
  SipRtpLatch(SipRtpLatchMode mode, std::string signallingHost)
      : mode_(mode), signallingHost_(std::move(signallingHost)) {}

  // The media starts at `nowMs` (our answer went out, or theirs came).
  void Start(uint64_t nowMs);
  // The far end's media address changed: the window opens again once the
  // media has started.
  void Restart(uint64_t nowMs);
  // A packet came from the current address.
  void Confirm() { open_ = false; }
  // Whether a packet from `source`, which is not the current address, takes
  // the stream over at `nowMs`; the window closes when it does.
  bool Takes(const SipHostPort& source, uint64_t nowMs);
  // Whether a changed SDP aiming at `next`, away from `previousHost`, is
  // sent to only once a packet came from there: with the "signalling" mode,
  // when `next` is neither the signalling host nor the previous media host
  // (a re-INVITE could aim our audio at a third party).
  bool HoldsMoveTo(const SipHostPort& next, const std::string& previousHost) const;

 private:
  SipRtpLatchMode mode_ = SipRtpLatchMode::kOff;
  std::string signallingHost_;
  bool started_ = false;
  bool open_ = false;
  uint64_t closesAtMs_ = 0;
};
