#include "telephony/rtp/LRtpRelay.h"

#include "telephony/rtp/LRtpPacket.h"
#include "telephony/rtp/RtpG711.h"

LRtpRelay::LRtpRelay()
    : ssrc_(LRtpPacket::RandomWord()),
      sequence_(static_cast<uint16_t>(LRtpPacket::RandomWord())),
      lastTimestamp_(LRtpPacket::RandomWord()) {}

std::vector<uint8_t> LRtpRelay::Relay(std::span<const uint8_t> datagram,
                                      const SipMediaDescription &from,
                                      const SipMediaDescription &to) {
  LRtpPacket packet;
  if (!LRtpPacket::Parse(datagram, packet)) return {};
  uint8_t outType = 0;
  if (!Payload(packet.payloadType, packet.payload, from, to, outType)) return {};

  LRtpPacket out;
  out.payloadType = outType;
  out.marker = packet.marker;
  if (!started_ || packet.ssrc != sourceSsrc_) {
    // A new talker: continue our timeline one packet after the last one.
    timestampOffset_ = lastTimestamp_ + (started_ ? kPacketSamples : 0) - packet.timestamp;
    sourceSsrc_ = packet.ssrc;
    started_ = true;
    out.marker = true;
  }
  out.timestamp = packet.timestamp + timestampOffset_;
  lastTimestamp_ = out.timestamp;
  out.sequence = sequence_++;
  out.ssrc = ssrc_;
  out.payload = payload_;
  return out.Build();
}

bool LRtpRelay::Payload(uint8_t payloadType, std::span<const uint8_t> in,
                        const SipMediaDescription &from, const SipMediaDescription &to,
                        uint8_t &outType) {
  if (from.telephoneEventPayloadType >= 0 && payloadType == from.telephoneEventPayloadType) {
    if (to.telephoneEventPayloadType < 0 || to.telephoneEventPayloadType > 127) return false;
    outType = static_cast<uint8_t>(to.telephoneEventPayloadType);
    payload_.assign(in.begin(), in.end());
    return true;
  }
  if (!IsRtpG711(payloadType) || (to.audioPayloadType != kRtpPayloadPcmu &&
                                  to.audioPayloadType != kRtpPayloadPcma)) {
    return false;
  }
  outType = static_cast<uint8_t>(to.audioPayloadType);
  if (outType == payloadType) {
    payload_.assign(in.begin(), in.end());
    return true;
  }
  samples_.resize(in.size());
  payload_.resize(in.size());
  return RtpG711Decode(payloadType, in, samples_.data()) &&
         RtpG711Encode(outType, samples_, payload_.data());
}
