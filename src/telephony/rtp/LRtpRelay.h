#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "telephony/sip/SipMediaDescription.h"

// One direction of two joined calls: turns each RTP packet one far end sent
// into the packet the other far end expects. G.711 audio is recoded when
// the two ends use different laws, telephone events take the receiver's
// payload type (dropped when it has none), anything else is dropped. The
// output is one stream of our own: its SSRC, its sequence numbers, and
// timestamps that carry on smoothly when the sender's stream changes.
class LRtpRelay {
 public:
  LRtpRelay();

  // The datagram for the other end; empty when the packet is not passed on.
  std::vector<uint8_t> Relay(std::span<const uint8_t> datagram, const SipMediaDescription &from,
                             const SipMediaDescription &to);

  uint32_t Ssrc() const { return ssrc_; }

 private:
  static constexpr uint32_t kPacketSamples = 160;

  bool Payload(uint8_t payloadType, std::span<const uint8_t> in, const SipMediaDescription &from,
               const SipMediaDescription &to, uint8_t &outType);

  const uint32_t ssrc_;
  uint16_t sequence_;
  uint32_t lastTimestamp_;
  uint32_t timestampOffset_ = 0;
  uint32_t sourceSsrc_ = 0;
  bool started_ = false;
  std::vector<uint8_t> payload_;
  std::vector<int16_t> samples_;
};
