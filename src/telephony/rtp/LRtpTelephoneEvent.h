#pragma once

#include <array>
#include <cstdint>
#include <span>

// The payload of an RTP telephone-event packet: the event code, the end
// bit, the volume (0 to 63, in -dBm0) and the duration so far in timestamp
// units. One packet carries one event in 4 bytes.
struct LRtpTelephoneEvent {
  static constexpr size_t kSize = 4;

  uint8_t event = 0;
  bool end = false;
  uint8_t volume = 10;
  uint16_t duration = 0;

  std::array<uint8_t, kSize> Encode() const;
  // False when the payload is shorter than one event; any bytes past the
  // first event are ignored, as is the reserved bit.
  static bool Decode(std::span<const uint8_t> payload, LRtpTelephoneEvent& event);
};
