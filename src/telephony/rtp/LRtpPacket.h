#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// An RTP packet (version 2): the header fields, the contributing sources,
// the header extension and the payload. A parsed packet's extension and
// payload point into the datagram it was parsed from.
struct LRtpPacket {
  static constexpr size_t kHeaderSize = 12;
  static constexpr size_t kMaxCsrcs = 15;

  bool marker = false;
  uint8_t payloadType = 0;
  uint16_t sequence = 0;
  uint32_t timestamp = 0;
  uint32_t ssrc = 0;
  std::array<uint32_t, kMaxCsrcs> csrcs{};
  uint8_t csrcCount = 0;
  bool hasExtension = false;
  uint16_t extensionProfile = 0;
  std::span<const uint8_t> extension;  // a whole number of 32-bit words
  // Parsed: the padding bytes that were removed. Built: the padding to add.
  uint8_t padding = 0;
  std::span<const uint8_t> payload;

  // Reads a datagram. False for anything but a well-formed version 2 packet:
  // too short for its header, contributing sources or extension, padding
  // that is zero or longer than what follows the header, or a payload type
  // of 72-76, which is RTCP sharing the port.
  static bool Parse(std::span<const uint8_t> data, LRtpPacket& packet);
  // A random SSRC, first sequence number or timestamp origin, so a new
  // stream is never taken for the continuation of an old one.
  static uint32_t RandomWord();
  // The datagram; empty when a field cannot be sent (a payload type above
  // 127 or one Parse refuses, an extension not whole words or too long).
  std::vector<uint8_t> Build() const;
  // The same into `out`, whose storage is reused: a sender building every
  // packet into one buffer allocates nothing per packet. False (and `out`
  // empty) when Build would return nothing.
  bool BuildInto(std::vector<uint8_t>& out) const;
};
