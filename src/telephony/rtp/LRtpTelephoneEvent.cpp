#include "telephony/rtp/LRtpTelephoneEvent.h"

std::array<uint8_t, LRtpTelephoneEvent::kSize> LRtpTelephoneEvent::Encode() const {
  return {event, static_cast<uint8_t>((end ? 0x80 : 0) | (volume & 0x3F)), static_cast<uint8_t>(duration >> 8),
          static_cast<uint8_t>(duration & 0xFF)};
}

bool LRtpTelephoneEvent::Decode(std::span<const uint8_t> payload, LRtpTelephoneEvent& event) {
  if (payload.size() < kSize) return false;
  event.event = payload[0];
  event.end = (payload[1] & 0x80) != 0;
  event.volume = payload[1] & 0x3F;
  event.duration = static_cast<uint16_t>(payload[2] << 8 | payload[3]);
  return true;
}
