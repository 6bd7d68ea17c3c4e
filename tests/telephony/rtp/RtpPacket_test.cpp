#include <gtest/gtest.h>

#include <vector>

#include "telephony/rtp/LRtpPacket.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A packet with every optional part: two CSRCs, a one-word extension and
// three bytes of padding.
Bytes FullPacket() {
  return {0xB2, 0x88, 0x12, 0x34, 0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04,  // header
          0, 0, 0, 1, 0, 0, 0, 2,                                                  // CSRCs
          0xBE, 0xDE, 0x00, 0x01, 0x10, 0xAA, 0x00, 0x00,                          // extension
          0x55, 0x66,                                                              // payload
          0x00, 0x00, 0x03};                                                       // padding
}

bool Parses(const Bytes& data) {
  LRtpPacket packet;
  return LRtpPacket::Parse(data, packet);
}

}  // namespace

TEST(RtpPacket, ParsesEveryFieldAndBuildsWhatItParses) {
  const Bytes data = FullPacket();
  LRtpPacket packet;
  ASSERT_TRUE(LRtpPacket::Parse(data, packet));
  EXPECT_EQ(std::tuple(packet.marker, packet.payloadType, packet.sequence, packet.timestamp, packet.ssrc),
            std::tuple(true, 8, 0x1234, 0xDEADBEEFu, 0x01020304u));
  ASSERT_EQ(packet.csrcCount, 2);
  EXPECT_EQ(std::tuple(packet.csrcs[1], packet.extensionProfile, packet.padding), std::tuple(2u, 0xBEDE, 3));
  EXPECT_EQ(Bytes(packet.extension.begin(), packet.extension.end()), (Bytes{0x10, 0xAA, 0, 0}));
  EXPECT_EQ(Bytes(packet.payload.begin(), packet.payload.end()), (Bytes{0x55, 0x66}));
  EXPECT_EQ(packet.Build(), data);

  LRtpPacket plain;
  plain.sequence = 65535;
  plain.ssrc = 7;
  const Bytes payload(160, 0xFF);
  plain.payload = payload;
  Bytes built;
  ASSERT_TRUE(plain.BuildInto(built) && built.size() == 172u);
  LRtpPacket back;
  ASSERT_TRUE(LRtpPacket::Parse(built, back));
  EXPECT_EQ(std::tuple(built[0], back.marker, back.hasExtension, back.sequence, back.payload.size()),
            std::tuple(0x80, false, false, 65535, 160u));
  // Built into a reused buffer: nothing of the longer packet before stays.
  EXPECT_TRUE(packet.BuildInto(built) && built == data);
  plain.payload = {};  // an empty payload is a valid packet
  EXPECT_TRUE(Parses(plain.Build()));
  // Fields that cannot be sent leave the buffer empty: a type beyond 7 bits
  // or read as RTCP, an extension of no whole words.
  for (uint8_t type : {128, 72}) {
    plain.payloadType = type;
    EXPECT_TRUE(!plain.BuildInto(built) && built.empty()) << int(type);
  }
  plain.payloadType = 0;
  plain.hasExtension = true;
  const uint8_t oddExtension[3] = {1, 2, 3};
  plain.extension = oddExtension;
  EXPECT_TRUE(plain.Build().empty());
}

TEST(RtpPacket, RefusesMalformedPackets) {
  // Each row changes byte `at` of the full packet (from the end when negative).
  struct Row { const char* what; int at; uint8_t value; bool parses = false; };
  const Row rows[] = {{"version 1", 0, 0x72}, {"15 CSRCs do not fit", 0, 0xBF}, {"nine extension words", 23, 9},
                      {"zero padding", -1, 0}, {"padding beyond the payload", -1, 6},
                      {"padding taking the whole payload", -1, 5, true}, {"RTCP 72", 1, 0xC8},
                      {"RTCP 76", 1, 0xCC}, {"type 77", 1, 0xCD, true}, {"type 71", 1, 0xC7, true}};
  for (const Row& row : rows) {
    Bytes data = FullPacket();
    data[static_cast<std::size_t>(row.at < 0 ? static_cast<int>(data.size()) + row.at : row.at)] = row.value;
    EXPECT_EQ(Parses(data), row.parses) << row.what;
  }
  const Bytes data = FullPacket();
  EXPECT_FALSE(Parses(Bytes(data.begin(), data.begin() + 11)));  // short header
  // A header that ends before the extension's own header.
  EXPECT_FALSE(Parses({0x90, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0xBE}));
}
