#pragma once

#include <cstdint>
#include <span>

// Turns received RTP telephone-event packets into keys. An event is known by
// its RTP timestamp, which every packet of it repeats, so a key is reported
// once however many packets carry it: long events, the repeated end packets,
// retransmissions and late packets of an earlier event add nothing, and an
// event whose end packets were lost does not hide the next one. A long event
// that the sender splits into segments of the longest duration goes on under
// a new timestamp and still counts once. A telephone leaves a gap of at
// least 40 ms between keys: an event starting sooner after the previous
// one's end is no key (a flood of events is cut here first).
class LRtpEventReceiver {
 public:
  static constexpr uint32_t kMinGapSamples = 320;

  // The key (0-9 * # A-D) that the packet starts, else 0 (also for events
  // that are no key, such as the hook flash, and for malformed payloads).
  char Receive(uint32_t timestamp, std::span<const uint8_t> payload);
  // For a new stream (another SSRC).
  void Reset() { known_ = false; }

 private:
  bool Continues(uint8_t event, uint32_t timestamp) const;

  bool known_ = false;
  uint32_t timestamp_ = 0;
  uint8_t event_ = 0;
  bool ended_ = false;
  uint16_t duration_ = 0;  // the longest seen for this timestamp
};
