#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "telephony/rtp/LRtpPacket.h"
#include "telephony/rtp/LRtpRelay.h"
#include "telephony/rtp/RtpG711.h"

namespace {

using Bytes = std::vector<uint8_t>;

SipMediaDescription Description(int audio, int events) {
  SipMediaDescription description;
  description.remote = {"127.0.0.1", 4000};
  description.audioPayloadType = audio;
  description.telephoneEventPayloadType = events;
  return description;
}

Bytes Datagram(uint8_t type, uint16_t sequence, uint32_t timestamp, uint32_t ssrc, const Bytes& payload) {
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
  explicit Relayed(Bytes relayed) : datagram(std::move(relayed)) { EXPECT_TRUE(LRtpPacket::Parse(datagram, packet)); }
  Bytes datagram;
  LRtpPacket packet;
  Bytes Payload() const { return {packet.payload.begin(), packet.payload.end()}; }
};

// 160 samples of a loud, changing signal in one law.
Bytes Audio(uint8_t type) {
  std::array<int16_t, 160> samples{};
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i % 40) * 400 - 8000);
  Bytes encoded(samples.size());
  RtpG711Encode(type, samples, encoded.data());
  return encoded;
}

}  // namespace

TEST(RtpRelay, SameLawPassesThePayloadUnderOurOwnStreamWhateverTheSendersStream) {
  LRtpRelay relay;
  const auto pcmu = Description(0, 101);
  const Bytes audio = Audio(kRtpPayloadPcmu);
  const Relayed first(relay.Relay(Datagram(0, 500, 9000, 77, audio), pcmu, pcmu));
  const Relayed second(relay.Relay(Datagram(0, 501, 9160, 77, audio), pcmu, pcmu));
  // A new sender stream carries on our timeline with a marker.
  const Relayed third(relay.Relay(Datagram(0, 60000, 4000000000u, 2, audio), pcmu, pcmu));
  EXPECT_EQ(std::tuple(first.packet.payloadType, first.Payload(), first.packet.ssrc, first.packet.marker),
            std::tuple(0, audio, relay.Ssrc(), true));
  EXPECT_NE(first.packet.ssrc, 77u);
  for (const Relayed* next : {&second, &third}) {
    const LRtpPacket& last = next == &second ? first.packet : second.packet;
    const LRtpPacket& p = next->packet;
    EXPECT_EQ(std::tuple(p.marker, p.ssrc, uint16_t(p.sequence - last.sequence), p.timestamp - last.timestamp),
              std::tuple(next == &third, first.packet.ssrc, 1, 160u));
  }
}

TEST(RtpRelay, DifferentLawsAreRecoded) {
  LRtpRelay relay;
  const Bytes alaw = Audio(kRtpPayloadPcma);
  const Relayed out(relay.Relay(Datagram(8, 1, 0, 5, alaw), Description(8, -1), Description(0, -1)));
  ASSERT_EQ(out.packet.payloadType, 0);
  ASSERT_EQ(out.packet.payload.size(), alaw.size());
  std::array<int16_t, 160> sent{}, received{};
  RtpG711Decode(8, alaw, sent.data());
  RtpG711Decode(0, out.packet.payload, received.data());
  for (size_t i = 0; i < sent.size(); ++i) EXPECT_NEAR(received[i], sent[i], 300) << i;
}

TEST(RtpRelay, EventsTakeTheReceiversTypeAndOtherPayloadsAreDropped) {
  LRtpRelay relay;
  const Bytes event = {1, 0x0A, 0x01, 0x40};
  const Relayed out(relay.Relay(Datagram(101, 1, 0, 5, event), Description(0, 101), Description(8, 96)));
  EXPECT_EQ(std::tuple(out.packet.payloadType, out.Payload()), std::tuple(96, event));
  // The receiver takes no events, the sender's type is unknown, or the
  // receiver has no G.711: nothing goes out; garbage neither.
  EXPECT_TRUE(relay.Relay(Datagram(101, 2, 0, 5, event), Description(0, 101), Description(8, -1)).empty());
  EXPECT_TRUE(relay.Relay(Datagram(18, 3, 0, 5, {1, 2}), Description(0, 101), Description(0, 101)).empty());
  EXPECT_TRUE(relay.Relay(Datagram(0, 4, 0, 5, Audio(0)), Description(0, -1), Description(-1, -1)).empty());
  EXPECT_TRUE(relay.Relay(Bytes{0x80, 0x00}, Description(0, -1), Description(0, -1)).empty());
}
