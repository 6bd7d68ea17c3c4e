#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

#include "telephony/rtp/LRtpTelephoneEvent.h"

// Sends DTMF keys as RTP telephone events. The line asks once per packet
// slot (every 20 ms) with the timestamp that slot's audio packet would
// carry; while a key is being sent it gets an event packet to send instead
// of the audio. A key is a series of packets that all carry the timestamp of
// its first slot (marked) with a growing duration, then three identical
// packets with the end bit; its gap is left to the audio.
class LRtpEventSender {
 public:
  struct Packet {
    bool marker = false;
    uint32_t timestamp = 0;
    std::array<uint8_t, LRtpTelephoneEvent::kSize> payload{};
  };

  // The longest key, so that its duration fits the 16-bit field.
  static constexpr uint32_t kMaxOnMs = 8000;
  static constexpr uint32_t kEndCopies = 3;

  // `packetMs` is the audio packet interval, 1 to 200 ms.
  explicit LRtpEventSender(uint32_t packetMs = 20) : slotSamples_(std::clamp<uint32_t>(packetMs, 1, 200) * 8) {}

  // Queues each key (0-9 * # A-D) for `onMs` (at most kMaxOnMs, at least one
  // slot) followed by `offMs` (at most a minute) of audio. False, with
  // nothing queued, when a character is no key.
  bool QueueKeys(std::string_view keys, uint32_t onMs = 100, uint32_t offMs = 60);
  // The event packet for this slot, or nothing (send audio).
  std::optional<Packet> Next(uint32_t timestamp);
  bool Idle() const { return queue_.empty(); }
  void Clear() { queue_.clear(); }

 private:
  struct Key {
    uint8_t event = 0;
    uint32_t onSamples = 0;
    uint32_t offSlots = 0;
    // Progress: slots used so far and the event's timestamp.
    uint32_t slots = 0;
    uint32_t timestamp = 0;
  };

  std::optional<Packet> Step(Key& key, uint32_t timestamp);

  const uint32_t slotSamples_;
  std::deque<Key> queue_;
};
