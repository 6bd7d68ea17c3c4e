#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "telephony/rtp/LRtpEventReceiver.h"
#include "telephony/rtp/LRtpEventSender.h"
#include "telephony/rtp/LRtpTelephoneEvent.h"

namespace {

std::array<uint8_t, 4> Payload(uint8_t event, bool end, uint16_t duration) {
  return LRtpTelephoneEvent{.event = event, .end = end, .duration = duration}.Encode();
}

LRtpTelephoneEvent Decoded(const std::array<uint8_t, 4>& payload) {
  LRtpTelephoneEvent event;
  EXPECT_TRUE(LRtpTelephoneEvent::Decode(payload, event));
  return event;
}

// Every slot's result for `slots` slots of 160 samples from timestamp 1000.
std::vector<std::optional<LRtpEventSender::Packet>> Slots(LRtpEventSender& sender, int slots) {
  std::vector<std::optional<LRtpEventSender::Packet>> out;
  for (int i = 0; i < slots; ++i) out.push_back(sender.Next(1000 + 160u * i));
  return out;
}

}  // namespace

TEST(RtpEvent, PayloadFieldsRoundTrip) {
  const LRtpTelephoneEvent event{.event = 11, .end = true, .volume = 63, .duration = 0xBEEF};
  EXPECT_EQ(event.Encode(), (std::array<uint8_t, 4>{11, 0xBF, 0xBE, 0xEF}));
  const LRtpTelephoneEvent back = Decoded(event.Encode()), reserved = Decoded({5, 0x4A, 0, 160});
  EXPECT_EQ(std::tuple(back.event, back.end, back.volume, back.duration), std::tuple(11, true, 63, 0xBEEF));
  // The reserved bit is ignored; a short payload is refused.
  EXPECT_EQ(std::tuple(reserved.end, reserved.volume), std::tuple(false, 10));
  const uint8_t shortPayload[3] = {5, 0x80, 0};
  LRtpTelephoneEvent ignored;
  EXPECT_FALSE(LRtpTelephoneEvent::Decode(shortPayload, ignored));
}

TEST(RtpEvent, SenderSendsAKeyAsOneTimestampGrowingThenThreeEndsAndBoundsTheDuration) {
  LRtpEventSender sender;
  ASSERT_TRUE(sender.QueueKeys("5#", 100, 60));
  const auto slots = Slots(sender, 30);
  // 100 ms: 5 slots, the last of them the first of three end packets.
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(slots[i]) << i;
    const LRtpTelephoneEvent event = Decoded(slots[i]->payload);
    EXPECT_EQ(std::tuple(slots[i]->marker, slots[i]->timestamp, event.event, event.duration, event.end),
              std::tuple(i == 0, 1000u, 5, std::min(160 * (i + 1), 800), i >= 4)) << i;
  }
  // 60 ms of audio, then '#' from its own slot's timestamp.
  for (int i = 7; i < 10; ++i) EXPECT_FALSE(slots[i]) << i;
  ASSERT_TRUE(slots[10]);
  EXPECT_EQ(std::tuple(slots[10]->marker, slots[10]->timestamp, Decoded(slots[10]->payload).event),
            std::tuple(true, 1000u + 1600, 11));
  EXPECT_FALSE(slots[19]);
  EXPECT_TRUE(sender.Idle());
  // Non-keys are refused; a long key is cut at the largest duration.
  EXPECT_FALSE(sender.QueueKeys("1!"));
  ASSERT_TRUE(sender.Idle() && sender.QueueKeys("7", 60000, 0));
  const auto longKey = Slots(sender, 410);
  ASSERT_TRUE(longKey[399]);
  EXPECT_EQ(std::tuple(Decoded(longKey[399]->payload).duration, Decoded(longKey[399]->payload).end),
            std::tuple(64000, true));
  EXPECT_TRUE(longKey[401] && !longKey[402]);
}

TEST(RtpEvent, ReceiverKeysOnTheTimestampAndFollowsSegmentedEvents) {
  LRtpEventReceiver receiver;
  // A long event: one key however long.
  EXPECT_EQ(receiver.Receive(5000, Payload(3, false, 160)), '3');
  for (uint16_t d = 320; d < 20000; d += 160) EXPECT_EQ(receiver.Receive(5000, Payload(3, false, d)), 0);
  // Its end packets are lost; the same key again under a new timestamp counts.
  EXPECT_EQ(receiver.Receive(25200, Payload(3, false, 160)), '3');
  EXPECT_EQ(receiver.Receive(25200, Payload(3, true, 800)), 0);
  // A late packet of the earlier event adds nothing.
  EXPECT_EQ(receiver.Receive(5000, Payload(3, true, 20000)), 0);
  // Keys need a 40 ms gap after the previous end: one sooner is none (and
  // the next is measured from it), a flood of events gives nothing.
  EXPECT_EQ(receiver.Receive(25200 + 800 + 319, Payload(4, false, 160)), 0);
  EXPECT_EQ(receiver.Receive(25200 + 800 + 319 + 160 + 320, Payload(4, false, 160)), '4');
  EXPECT_EQ(receiver.Receive(28000, Payload(6, true, 160)), '6');
  for (uint32_t t = 28010; t < 29000; t += 10) EXPECT_EQ(receiver.Receive(t, Payload(6, true, 160)), 0) << t;
  // An event seen only by its end packets still counts.
  EXPECT_EQ(receiver.Receive(30000, Payload(9, true, 800)), '9');
  // The hook flash and unknown events are no keys; short payloads are nothing.
  EXPECT_EQ(receiver.Receive(40000, Payload(16, false, 160)), 0);
  EXPECT_EQ(receiver.Receive(41000, Payload(200, false, 160)), 0);
  const uint8_t shortPayload[2] = {1, 0};
  EXPECT_EQ(receiver.Receive(42000, shortPayload), 0);
  // A long event in segments across the timestamp wrap.
  receiver.Reset();
  const uint32_t start = 0xFFFF0000u;
  EXPECT_EQ(receiver.Receive(start, Payload(0, false, 160)), '0');
  EXPECT_EQ(receiver.Receive(start, Payload(0, false, 0xFFFF)), 0);
  EXPECT_EQ(receiver.Receive(start + 0xFFFF, Payload(0, false, 160)), 0);
  EXPECT_EQ(receiver.Receive(start + 0xFFFF, Payload(0, true, 4000)), 0);
  // Ended: the same key right after is a new press.
  EXPECT_EQ(receiver.Receive(start + 0xFFFF + 4800, Payload(0, false, 160)), '0');
  // A sender that starts its timestamps anew far back is heard, as after Reset.
  EXPECT_EQ(receiver.Receive(1000000, Payload(1, false, 160)), '1');
  EXPECT_EQ(receiver.Receive(100, Payload(2, false, 160)), '2');
  receiver.Reset();
  EXPECT_EQ(receiver.Receive(100, Payload(2, false, 160)), '2');
}
