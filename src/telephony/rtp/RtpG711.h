#pragma once

#include <cstdint>
#include <span>

// G.711 as RTP payloads (8000 Hz, one byte per sample), with the static
// payload types both ends know without negotiation.
inline constexpr uint8_t kRtpPayloadPcmu = 0;
inline constexpr uint8_t kRtpPayloadPcma = 8;

inline bool IsRtpG711(uint8_t payloadType) {
  return payloadType == kRtpPayloadPcmu || payloadType == kRtpPayloadPcma;
}

// `out` takes as many samples as `in` has bytes; false for another payload type.
bool RtpG711Decode(uint8_t payloadType, std::span<const uint8_t> in, int16_t* out);
// `out` takes one byte per sample; false for another payload type.
bool RtpG711Encode(uint8_t payloadType, std::span<const int16_t> in, uint8_t* out);
