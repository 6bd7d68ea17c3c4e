#include "telephony/rtp/LRtpPacket.h"

#include <random>

namespace {

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Load32(const uint8_t* p) { return static_cast<uint32_t>(Load16(p)) << 16 | Load16(p + 2); }
void Store16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void Store32(std::vector<uint8_t>& out, uint32_t v) {
  Store16(out, static_cast<uint16_t>(v >> 16));
  Store16(out, static_cast<uint16_t>(v));
}

bool IsRtcpType(uint8_t payloadType) { return payloadType >= 72 && payloadType <= 76; }

}  // namespace

bool LRtpPacket::Parse(std::span<const uint8_t> data, LRtpPacket& packet) {
  if (data.size() < kHeaderSize || data[0] >> 6 != 2) return false;
  const bool padded = (data[0] & 0x20) != 0;
  packet.hasExtension = (data[0] & 0x10) != 0;
  packet.csrcCount = data[0] & 0x0F;
  packet.marker = (data[1] & 0x80) != 0;
  packet.payloadType = data[1] & 0x7F;
  if (IsRtcpType(packet.payloadType)) return false;
  packet.sequence = Load16(&data[2]);
  packet.timestamp = Load32(&data[4]);
  packet.ssrc = Load32(&data[8]);
  size_t at = kHeaderSize;
  if (data.size() - at < 4u * packet.csrcCount) return false;
  packet.csrcs = {};
  for (uint8_t i = 0; i < packet.csrcCount; ++i, at += 4) packet.csrcs[i] = Load32(&data[at]);
  packet.extensionProfile = 0;
  packet.extension = {};
  if (packet.hasExtension) {
    if (data.size() - at < 4) return false;
    packet.extensionProfile = Load16(&data[at]);
    const size_t length = 4u * Load16(&data[at + 2]);
    at += 4;
    if (data.size() - at < length) return false;
    packet.extension = data.subspan(at, length);
    at += length;
  }
  packet.padding = 0;
  if (padded) {
    packet.padding = data.back();
    if (packet.padding == 0 || packet.padding > data.size() - at) return false;
  }
  packet.payload = data.subspan(at, data.size() - at - packet.padding);
  return true;
}

std::vector<uint8_t> LRtpPacket::Build() const {
  std::vector<uint8_t> out;
  BuildInto(out);
  return out;
}

bool LRtpPacket::BuildInto(std::vector<uint8_t>& out) const {
  out.clear();
  if (payloadType > 127 || IsRtcpType(payloadType) || csrcCount > kMaxCsrcs) return false;
  if (extension.size() % 4 || extension.size() / 4 > 0xFFFF) return false;
  out.reserve(kHeaderSize + 4u * csrcCount + 4 + extension.size() + payload.size() + padding);
  out.push_back(static_cast<uint8_t>(0x80 | (padding ? 0x20 : 0) | (hasExtension ? 0x10 : 0) | csrcCount));
  out.push_back(static_cast<uint8_t>((marker ? 0x80 : 0) | payloadType));
  Store16(out, sequence);
  Store32(out, timestamp);
  Store32(out, ssrc);
  for (uint8_t i = 0; i < csrcCount; ++i) Store32(out, csrcs[i]);
  if (hasExtension) {
    Store16(out, extensionProfile);
    Store16(out, static_cast<uint16_t>(extension.size() / 4));
    out.insert(out.end(), extension.begin(), extension.end());
  }
  out.insert(out.end(), payload.begin(), payload.end());
  if (padding) {
    out.insert(out.end(), padding - 1u, 0);
    out.push_back(padding);
  }
  return true;
}

uint32_t LRtpPacket::RandomWord() {
  static_assert(sizeof(std::random_device::result_type) >= sizeof(uint32_t));
  std::random_device device;
  return static_cast<uint32_t>(device());
}
