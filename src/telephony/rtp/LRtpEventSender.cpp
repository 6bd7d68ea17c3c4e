#include "telephony/rtp/LRtpEventSender.h"

#include <algorithm>

#include "telephony/dsp/DtmfKeypad.h"

bool LRtpEventSender::QueueKeys(std::string_view keys, uint32_t onMs, uint32_t offMs) {
  for (char key : keys) {
    if (DtmfEventCode(key) < 0) return false;
  }
  const uint32_t onSamples = std::max(std::min(onMs, kMaxOnMs) * 8, slotSamples_);
  const uint32_t offSlots = (std::min<uint32_t>(offMs, 60000) * 8 + slotSamples_ - 1) / slotSamples_;
  for (char key : keys) {
    queue_.push_back({static_cast<uint8_t>(DtmfEventCode(key)), onSamples, offSlots, 0, 0});
  }
  return true;
}

std::optional<LRtpEventSender::Packet> LRtpEventSender::Next(uint32_t timestamp) {
  while (!queue_.empty()) {
    Key& key = queue_.front();
    // The last slot of the tone carries the first of the end packets.
    const uint32_t eventSlots = (key.onSamples + slotSamples_ - 1) / slotSamples_ + kEndCopies - 1;
    if (key.slots < eventSlots) return Step(key, timestamp);
    // The gap: audio slots, then the next key.
    if (key.slots++ < eventSlots + key.offSlots) return std::nullopt;
    queue_.pop_front();
  }
  return std::nullopt;
}

std::optional<LRtpEventSender::Packet> LRtpEventSender::Step(Key& key, uint32_t timestamp) {
  if (key.slots == 0) key.timestamp = timestamp;
  ++key.slots;
  LRtpTelephoneEvent event;
  event.event = key.event;
  event.duration = static_cast<uint16_t>(std::min(key.slots * slotSamples_, key.onSamples));
  event.end = event.duration == key.onSamples;
  Packet packet;
  packet.marker = key.slots == 1;
  packet.timestamp = key.timestamp;
  packet.payload = event.Encode();
  return packet;
}
