#pragma once

#include <memory>
#include <string>

#include "telephony/sip/SipMediaDescription.h"
#include "telephony/sip/SipRtpSocket.h"

struct sdp_session;
struct sdp_media;
struct mbuf;

// The SDP side of one call: our audio offer or answer (PCMU, PCMA and
// telephone-event, 20 ms packets, one RTP port per call) and what the far
// end described, which also aims the RTP socket.
class SipMediaSession {
 public:
  static constexpr int kTelephoneEventPayloadType = 101;
  static constexpr int kPacketMs = 20;

  // Binds the RTP port on `localIp`; null on failure.
  static std::unique_ptr<SipMediaSession> Open(const std::string& localIp);
  ~SipMediaSession();
  SipMediaSession(const SipMediaSession&) = delete;
  SipMediaSession& operator=(const SipMediaSession&) = delete;

  // The far end's offer or answer (an SDP body). False when the body is no
  // SDP or has neither PCMU nor PCMA.
  bool TakeOffer(struct mbuf* body) { return Decode(body, true); }
  bool TakeAnswer(struct mbuf* body) { return Decode(body, false); }
  // Our offer, or our answer to the offer taken last.
  bool Encode(struct mbuf** description, bool offer);

  const SipMediaDescription& Remote() const { return remote_; }
  SipRtpSocket& Rtp() { return *rtp_; }

 private:
  SipMediaSession() = default;
  bool Decode(struct mbuf* body, bool offer);
  void ReadRemote();

  struct sdp_session* sdp_ = nullptr;
  struct sdp_media* audio_ = nullptr;
  std::unique_ptr<SipRtpSocket> rtp_;
  SipMediaDescription remote_;
};
