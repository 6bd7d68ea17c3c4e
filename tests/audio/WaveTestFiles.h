#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Builds RIFF WAVE files byte by byte for the WAVE source and sink tests.
namespace wave_test {

inline std::string Le16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
inline std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A chunk with its 8-byte header; odd bodies get a pad byte unless `size`
// is given explicitly (a lying size).
inline std::string Chunk(const std::string& id, const std::string& body) {
  std::string chunk = id + Le32(static_cast<uint32_t>(body.size())) + body;
  if (body.size() % 2 != 0) chunk += '\0';
  return chunk;
}
inline std::string ChunkSized(const std::string& id, uint32_t size, const std::string& body) {
  return id + Le32(size) + body;
}

// A "fmt " body of `size` bytes (14, 16, 18 or more, zero-filled beyond 18).
inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, std::size_t size = 16) {
  const uint32_t align = channels * ((bits + 7u) / 8u);
  std::string body = Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
  body.resize(size, '\0');
  return body;
}

inline std::string Riff(const std::string& inner) {
  return "RIFF" + Le32(static_cast<uint32_t>(inner.size() + 4)) + "WAVE" + inner;
}

// The usual file: "fmt " then "data".
inline std::string WaveFile(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
  return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits)) + Chunk("data", data));
}

inline std::string Samples16(const std::vector<int16_t>& samples) {
  std::string bytes;
  for (int16_t v : samples) bytes += Le16(static_cast<uint16_t>(v));
  return bytes;
}

// The 46-byte header the sinks write: 18-byte "fmt " chunk, then "data";
// both sizes are the streaming marker while `dataSize` is.
inline std::string Head(const std::string& fmt, uint32_t dataSize) {
  const uint32_t riff = dataSize == 0xFFFFFFFF ? dataSize : dataSize + 38;
  return "RIFF" + Le32(riff) + "WAVE" + "fmt " + Le32(18) + fmt + "data" + Le32(dataSize);
}
inline std::string PcmHeader(uint16_t channels, uint32_t rate, uint16_t bytes, uint32_t dataSize) {
  return Head(FmtBody(1, channels, rate, static_cast<uint16_t>(bytes * 8), 18), dataSize);
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}


}  // namespace wave_test
