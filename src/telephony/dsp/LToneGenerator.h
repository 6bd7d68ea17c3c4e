#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string_view>

// Makes the tones a line sends in its own audio (8000 Hz): DTMF keys for
// peers that take no telephone events, and the 40 ms beep. Tones are queued
// and then mixed into the outgoing samples block by block.
class LToneGenerator {
 public:
  static constexpr uint32_t kBeepMs = 40;
  static constexpr double kBeepHz = 1000;

  // Queues each key (0-9 * # A-D) as `onMs` of its tone pair followed by
  // `offMs` of silence (each at most a minute). False, with nothing queued,
  // when a character is no key.
  bool QueueKeys(std::string_view keys, uint32_t onMs = 100, uint32_t offMs = 60);
  void QueueBeep();
  // Adds the queued tones to `samples` (clipped at full scale), carrying on
  // where the last call stopped. Returns the samples the tones covered, fewer
  // than the block when the queue ran out.
  size_t Mix(std::span<int16_t> samples);
  bool Idle() const { return queue_.empty(); }
  void Clear() { queue_.clear(); }

 private:
  // One tone pair (or silence, or a single tone with `second` 0) for a time.
  struct Segment {
    double first = 0;
    double second = 0;
    double firstAmplitude = 0;
    double secondAmplitude = 0;
    uint32_t length = 0;  // samples
    uint32_t done = 0;
  };

  void Queue(const Segment& segment);
  static double Next(Segment& segment);

  std::deque<Segment> queue_;
};
