#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "telephony/rtp/LRtpPacket.h"
#include "telephony/rtp/LRtpRelay.h"
#include "telephony/rtp/RtpG711.h"

namespace {

SipMediaDescription Description(int audio, int events) {
  SipMediaDescription description;
  description.remote = {"127.0.0.1", 4000};
  description.audioPayloadType = audio;
  description.telephoneEventPayloadType = events;
  return description;
}

std::vector<uint8_t> Datagram(uint8_t type, uint16_t sequence, uint32_t timestamp, uint32_t ssrc,
                              const std::vector<uint8_t> &payload) {
  LRtpPacket packet;
  packet.payloadType = type;
  packet.sequence = sequence;
  packet.timestamp = timestamp;
  packet.ssrc = ssrc;
  packet.payload = payload;
  return packet.Build();
}

// A relayed datagram kept with its parsed view (which points into it).
struct Relayed {
  std::vector<uint8_t> datagram;
  LRtpPacket packet;
};

Relayed Parsed(std::vector<uint8_t> datagram) {
  Relayed relayed{std::move(datagram), {}};
  EXPECT_TRUE(LRtpPacket::Parse(relayed.datagram, relayed.packet));
  return relayed;
}

// 160 samples of a loud, changing signal in one law.
std::vector<uint8_t> Audio(uint8_t type) {
  std::array<int16_t, 160> samples{};
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i % 40) * 400 - 8000);
  std::vector<uint8_t> encoded(samples.size());
  RtpG711Encode(type, samples, encoded.data());
  return encoded;
}

}  // namespace

TEST(RtpRelay, SameLawPassesThePayloadUnderItsOwnStream) {
  LRtpRelay relay;
  const auto pcmu = Description(0, 101);
  const std::vector<uint8_t> audio = Audio(kRtpPayloadPcmu);
  const Relayed first_ = Parsed(relay.Relay(Datagram(0, 500, 9000, 77, audio), pcmu, pcmu));
  const LRtpPacket &first = first_.packet;
  const Relayed second_ = Parsed(relay.Relay(Datagram(0, 501, 9160, 77, audio), pcmu, pcmu));
  const LRtpPacket &second = second_.packet;
  EXPECT_EQ(first.payloadType, 0);
  EXPECT_EQ(std::vector<uint8_t>(first.payload.begin(), first.payload.end()), audio);
  EXPECT_EQ(first.ssrc, relay.Ssrc());
  EXPECT_NE(first.ssrc, 77u);
  EXPECT_TRUE(first.marker);
  EXPECT_FALSE(second.marker);
  EXPECT_EQ(static_cast<uint16_t>(second.sequence - first.sequence), 1);
  EXPECT_EQ(second.timestamp - first.timestamp, 160u);
}

TEST(RtpRelay, DifferentLawsAreRecoded) {
  LRtpRelay relay;
  const std::vector<uint8_t> alaw = Audio(kRtpPayloadPcma);
  const Relayed out_ = Parsed(relay.Relay(Datagram(8, 1, 0, 5, alaw), Description(8, -1), Description(0, -1)));
  const LRtpPacket &out = out_.packet;
  ASSERT_EQ(out.payloadType, 0);
  ASSERT_EQ(out.payload.size(), alaw.size());
  std::array<int16_t, 160> sent{};
  std::array<int16_t, 160> received{};
  RtpG711Decode(8, alaw, sent.data());
  RtpG711Decode(0, out.payload, received.data());
  for (size_t i = 0; i < sent.size(); ++i) EXPECT_NEAR(received[i], sent[i], 300) << i;
}

TEST(RtpRelay, EventsTakeTheReceiversTypeAndOtherPayloadsAreDropped) {
  LRtpRelay relay;
  const std::vector<uint8_t> event = {1, 0x0A, 0x01, 0x40};
  const Relayed out_ = Parsed(relay.Relay(Datagram(101, 1, 0, 5, event), Description(0, 101), Description(8, 96)));
  const LRtpPacket &out = out_.packet;
  EXPECT_EQ(out.payloadType, 96);
  EXPECT_EQ(std::vector<uint8_t>(out.payload.begin(), out.payload.end()), event);
  // The receiver takes no events, the sender's type is unknown, or the
  // receiver has no G.711: nothing goes out; garbage neither.
  EXPECT_TRUE(relay.Relay(Datagram(101, 2, 0, 5, event), Description(0, 101), Description(8, -1)).empty());
  EXPECT_TRUE(relay.Relay(Datagram(18, 3, 0, 5, {1, 2}), Description(0, 101), Description(0, 101)).empty());
  EXPECT_TRUE(relay.Relay(Datagram(0, 4, 0, 5, Audio(0)), Description(0, -1), Description(-1, -1)).empty());
  EXPECT_TRUE(relay.Relay(std::vector<uint8_t>{0x80, 0x00}, Description(0, -1), Description(0, -1)).empty());
}

TEST(RtpRelay, ANewSenderStreamCarriesOnOurTimelineWithAMarker) {
  LRtpRelay relay;
  const auto pcmu = Description(0, -1);
  const std::vector<uint8_t> audio = Audio(kRtpPayloadPcmu);
  const Relayed last_ = Parsed(relay.Relay(Datagram(0, 10, 1000, 1, audio), pcmu, pcmu));
  const LRtpPacket &last = last_.packet;
  const Relayed next_ = Parsed(relay.Relay(Datagram(0, 60000, 4000000000u, 2, audio), pcmu, pcmu));
  const LRtpPacket &next = next_.packet;
  EXPECT_TRUE(next.marker);
  EXPECT_EQ(next.ssrc, last.ssrc);
  EXPECT_EQ(static_cast<uint16_t>(next.sequence - last.sequence), 1);
  EXPECT_EQ(next.timestamp - last.timestamp, 160u);
}
