#pragma once

#include <cstdint>

// Little-endian sample and field access for WAVE data and descriptors.
inline int16_t LoadLe16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline uint16_t LoadLeU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadLeU32(const uint8_t* p) {
  return LoadLeU16(p) | (static_cast<uint32_t>(LoadLeU16(p + 2)) << 16);
}
inline void StoreLe16(uint8_t* p, int32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
  StoreLe16(p, static_cast<int32_t>(v & 0xFFFF));
  StoreLe16(p + 2, static_cast<int32_t>(v >> 16));
}
// A little-endian sample of `width` bytes (1..4), left-justified in 32 bits.
inline int32_t LoadLeftJustified(const uint8_t* p, uint32_t width) {
  uint32_t u = 0;
  for (uint32_t i = 0; i < width; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * (4 - width + i));
  return static_cast<int32_t>(u);
}
inline int16_t Saturate16(int32_t v) {
  return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}
