#include <gtest/gtest.h>

#include <vector>

#include "audio/LCodecG711.h"
#include "telephony/rtp/LRtpJitterBuffer.h"
#include "telephony/rtp/RtpG711.h"

namespace {

// Packet `n` of a stream: 160 samples all of value 100 * (n + 1), mu-law.
class Stream {
 public:
  explicit Stream(uint32_t ssrc = 42, uint8_t type = kRtpPayloadPcmu) : ssrc_(ssrc), type_(type) {}

  LRtpPacket Packet(uint32_t n) {
    payloads_.emplace_back(160);
    const std::vector<int16_t> samples(160, Level(n));
    RtpG711Encode(type_, samples, payloads_.back().data());
    LRtpPacket packet;
    packet.payloadType = type_;
    packet.sequence = static_cast<uint16_t>(65530 + n);  // wraps early on
    packet.timestamp = 0xFFFFF000u + 160 * n;            // so does this
    packet.ssrc = ssrc_;
    packet.payload = payloads_.back();
    return packet;
  }
  // The level packet `n` decodes to.
  int16_t Level(uint32_t n) const {
    const int16_t v = static_cast<int16_t>(100 * (n + 1));
    return type_ == kRtpPayloadPcmu ? LCodecG711::LinearFromMuLaw(LCodecG711::MuLawFromLinear(v))
                                    : LCodecG711::LinearFromALaw(LCodecG711::ALawFromLinear(v));
  }

 private:
  uint32_t ssrc_;
  uint8_t type_;
  std::vector<std::vector<uint8_t>> payloads_;
};

// The first sample of each of the next `frames` 20 ms frames.
std::vector<int16_t> PullFrames(LRtpJitterBuffer& buffer, int frames) {
  std::vector<int16_t> firsts;
  std::vector<int16_t> frame(160);
  for (int i = 0; i < frames; ++i) {
    buffer.Pull(frame);
    firsts.push_back(frame[0]);
    EXPECT_EQ(frame[159], frame[0]);
  }
  return firsts;
}

class RtpJitterBuffer : public ::testing::Test {
 protected:
  Stream stream;
  LRtpJitterBuffer buffer;
};

// Play-out runs one depth (two frames) behind the first packet.
TEST_F(RtpJitterBuffer, LostPacketsAreSilenceAndLateOnesAreDropped) {
  EXPECT_EQ(PullFrames(buffer, 1), (std::vector<int16_t>{0}));  // nothing yet
  buffer.Put(stream.Packet(0));
  buffer.Put(stream.Packet(2));
  EXPECT_EQ(PullFrames(buffer, 4), (std::vector<int16_t>{0, 0, stream.Level(0), 0}));
  EXPECT_EQ(buffer.Put(stream.Packet(1)), LRtpJitterBuffer::Outcome::kLate);
  buffer.Put(stream.Packet(3));
  EXPECT_EQ(PullFrames(buffer, 2), (std::vector<int16_t>{stream.Level(2), stream.Level(3)}));
}

TEST_F(RtpJitterBuffer, DropsDuplicatesAndRefusesOtherPayloads) {
  using Outcome = LRtpJitterBuffer::Outcome;
  for (const auto& [n, outcome] : {std::pair{0u, Outcome::kQueued}, {1u, Outcome::kQueued}, {0u, Outcome::kDuplicate},
                                   {1u, Outcome::kDuplicate}, {2u, Outcome::kQueued}})
    EXPECT_EQ(buffer.Put(stream.Packet(n)), outcome) << n;
  const std::vector<uint8_t> huge(1601, 0xFF);
  for (const auto& [type, payload] : {std::pair{101, std::span<const uint8_t>(huge).first(160)},
                                      {0, std::span<const uint8_t>()}, {0, std::span<const uint8_t>(huge)}}) {
    LRtpPacket packet = stream.Packet(3);
    packet.payloadType = static_cast<uint8_t>(type);
    packet.payload = payload;
    EXPECT_EQ(buffer.Put(packet), Outcome::kUnsupported) << type << " " << payload.size();
  }
}

TEST_F(RtpJitterBuffer, HoldsTheDelayWhenTheSenderRunsFast) {
  // Ten packets at once (a burst after a network stall): the oldest give way.
  for (uint32_t n = 0; n < 10; ++n) buffer.Put(stream.Packet(n));
  // Whenever more than depth + slack (100 ms) piled up, play-out moved on to
  // one depth behind the newest packet: at packets 3 and 7.
  EXPECT_EQ(buffer.Buffered(), 8u * 80);
  EXPECT_EQ(PullFrames(buffer, 5),
            (std::vector<int16_t>{stream.Level(6), stream.Level(7), stream.Level(8), stream.Level(9), 0}));
}

TEST_F(RtpJitterBuffer, StartsAnewAfterRunningDryOrOnANewSource) {
  buffer.Put(stream.Packet(0));
  PullFrames(buffer, 6);  // our clock ran ahead: packet 1 would be late
  EXPECT_EQ(buffer.Put(stream.Packet(1)), LRtpJitterBuffer::Outcome::kQueued);
  EXPECT_EQ(PullFrames(buffer, 3), (std::vector<int16_t>{0, 0, stream.Level(1)}));
  // A pause in the stream: play-out starts again one depth behind.
  PullFrames(buffer, 50);
  buffer.Put(stream.Packet(500));
  EXPECT_EQ(PullFrames(buffer, 3), (std::vector<int16_t>{0, 0, stream.Level(500)}));
  // Another SSRC with unrelated numbers.
  Stream other(99, kRtpPayloadPcma);
  buffer.Put(stream.Packet(501));
  EXPECT_EQ(buffer.Put(other.Packet(7)), LRtpJitterBuffer::Outcome::kQueued);
  EXPECT_EQ(PullFrames(buffer, 3), (std::vector<int16_t>{0, 0, other.Level(7)}));
}

}  // namespace
