#include <gtest/gtest.h>

#include <vector>

#include "telephony/rtp/LRtpPacket.h"

namespace {

// A packet with every optional part: two CSRCs, a one-word extension and
// three bytes of padding.
std::vector<uint8_t> FullPacket() {
  return {0xB2, 0x88, 0x12, 0x34, 0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04,  // header
          0, 0, 0, 1, 0, 0, 0, 2,                                                  // CSRCs
          0xBE, 0xDE, 0x00, 0x01, 0x10, 0xAA, 0x00, 0x00,                          // extension
          0x55, 0x66,                                                              // payload
          0x00, 0x00, 0x03};                                                       // padding
}

bool Parses(const std::vector<uint8_t>& data) {
  LRtpPacket packet;
  return LRtpPacket::Parse(data, packet);
}

}  // namespace

TEST(RtpPacket, ParsesEveryField) {
  const std::vector<uint8_t> data = FullPacket();
  LRtpPacket packet;
  ASSERT_TRUE(LRtpPacket::Parse(data, packet));
  EXPECT_TRUE(packet.marker);
  EXPECT_EQ(packet.payloadType, 8);
  EXPECT_EQ(packet.sequence, 0x1234);
  EXPECT_EQ(packet.timestamp, 0xDEADBEEFu);
  EXPECT_EQ(packet.ssrc, 0x01020304u);
  ASSERT_EQ(packet.csrcCount, 2);
  EXPECT_EQ(packet.csrcs[0], 1u);
  EXPECT_EQ(packet.csrcs[1], 2u);
  EXPECT_TRUE(packet.hasExtension);
  EXPECT_EQ(packet.extensionProfile, 0xBEDE);
  EXPECT_EQ(std::vector<uint8_t>(packet.extension.begin(), packet.extension.end()),
            (std::vector<uint8_t>{0x10, 0xAA, 0, 0}));
  EXPECT_EQ(packet.padding, 3);
  EXPECT_EQ(std::vector<uint8_t>(packet.payload.begin(), packet.payload.end()), (std::vector<uint8_t>{0x55, 0x66}));
}

TEST(RtpPacket, BuildsWhatItParses) {
  const std::vector<uint8_t> data = FullPacket();
  LRtpPacket packet;
  ASSERT_TRUE(LRtpPacket::Parse(data, packet));
  EXPECT_EQ(packet.Build(), data);

  LRtpPacket plain;
  plain.payloadType = 0;
  plain.sequence = 65535;
  plain.timestamp = 160;
  plain.ssrc = 7;
  const std::vector<uint8_t> payload(160, 0xFF);
  plain.payload = payload;
  const std::vector<uint8_t> built = plain.Build();
  ASSERT_EQ(built.size(), 172u);
  EXPECT_EQ(built[0], 0x80);
  LRtpPacket back;
  ASSERT_TRUE(LRtpPacket::Parse(built, back));
  EXPECT_FALSE(back.marker);
  EXPECT_FALSE(back.hasExtension);
  EXPECT_EQ(back.sequence, 65535);
  EXPECT_EQ(back.payload.size(), 160u);
  // An empty payload is a valid packet.
  plain.payload = {};
  EXPECT_TRUE(Parses(plain.Build()));
}

TEST(RtpPacket, BuildRefusesFieldsThatCannotBeSent) {
  LRtpPacket packet;
  packet.payloadType = 128;
  EXPECT_TRUE(packet.Build().empty());
  packet.payloadType = 72;  // reads as RTCP
  EXPECT_TRUE(packet.Build().empty());
  packet.payloadType = 0;
  packet.hasExtension = true;
  const uint8_t oddExtension[3] = {1, 2, 3};
  packet.extension = oddExtension;
  EXPECT_TRUE(packet.Build().empty());
}

TEST(RtpPacket, RefusesMalformedPackets) {
  std::vector<uint8_t> data = FullPacket();
  EXPECT_FALSE(Parses(std::vector<uint8_t>(data.begin(), data.begin() + 11)));  // short header
  std::vector<uint8_t> version = data;
  version[0] = (version[0] & 0x3F) | 0x40;
  EXPECT_FALSE(Parses(version));
  std::vector<uint8_t> csrcs = data;
  csrcs[0] = (csrcs[0] & 0xF0) | 0x0F;  // 15 CSRCs do not fit
  EXPECT_FALSE(Parses(csrcs));
  std::vector<uint8_t> extension = data;
  extension[23] = 0x09;  // nine words do not fit
  EXPECT_FALSE(Parses(extension));
  std::vector<uint8_t> zeroPadding = data;
  zeroPadding.back() = 0;
  EXPECT_FALSE(Parses(zeroPadding));
  std::vector<uint8_t> longPadding = data;
  longPadding.back() = 6;  // one more than payload and padding together
  EXPECT_FALSE(Parses(longPadding));
  longPadding.back() = 5;  // padding may take the whole payload
  EXPECT_TRUE(Parses(longPadding));
  for (uint8_t type = 72; type <= 76; ++type) {
    std::vector<uint8_t> rtcp = data;
    rtcp[1] = static_cast<uint8_t>(0x80 | type);
    EXPECT_FALSE(Parses(rtcp)) << int(type);
  }
  // A header that ends before the extension's own header.
  std::vector<uint8_t> cut = {0x90, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0xBE};
  EXPECT_FALSE(Parses(cut));
}
