#pragma once

#include <cstdint>
#include <span>
#include <string>

// How a call ended, as far as the signalling can tell.
struct SipCallEnd {
  enum class Reason {
    kHangUp,     // the far end sent BYE
    kCancelled,  // the caller cancelled before the answer
    kRefused,    // our outgoing call got a final error response (code)
    kFailed,     // no response, transport or protocol failure
  };
  Reason reason = Reason::kHangUp;
  // The final SIP status of a refused call, 408 for a time-out, else 0.
  uint16_t code = 0;
  // The status's reason phrase, or what failed.
  std::string detail;
};

// What a SIP call reports to the line that owns it. Every call arrives on
// the loop thread. A listener may destroy the call from inside any of these
// (the call then tells nothing more); after OnCallEnded nothing follows.
class SipCallListener {
 public:
  virtual ~SipCallListener() = default;

  // Outgoing call: a provisional response (180 Ringing, 183 Session Progress).
  virtual void OnCallProgress(uint16_t code) = 0;
  // Incoming call: our 200 OK was acknowledged; outgoing: 200 OK arrived.
  virtual void OnCallEstablished() = 0;
  virtual void OnCallEnded(const SipCallEnd& end) = 0;
  // A key from a SIP INFO request (application/dtmf-relay); durationMs 0
  // when not given.
  virtual void OnInfoDigit(char key, uint32_t durationMs) = 0;
  // The far end's verdict on a blind transfer (REFER): true once the
  // transfer target answered, false when the REFER or the target failed
  // (code: the SIP status, 0 when none).
  virtual void OnTransferResult(bool success, uint16_t code) = 0;
  // An RTP packet from the far end's media address (SipCall::Media), or
  // from the address whose stream took its place early in the call.
  virtual void OnRtpPacket(std::span<const uint8_t> packet) = 0;
  // A re-INVITE changed the media address or payload types.
  virtual void OnMediaChanged() = 0;
};
