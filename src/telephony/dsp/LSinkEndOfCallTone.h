#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "audio/LSoundSinkBase.h"

// Listens for the tone a network plays after the far end has hung up (busy,
// reorder or dial tone) while passing everything on to an optional inner
// sink. It follows the envelope in 25 ms blocks: an envelope that repeats
// with a period of 1.275 s to 2.5 s, or does not change at all, and is loud
// enough, is a network tone; speech does not repeat that regularly. A
// detection sets bit 0 of the line's end-of-call flags.
class LSinkEndOfCallTone final : public LSoundSinkBase {
 public:
  static constexpr uint8_t kDetected = 0x01;
  static constexpr uint8_t kReported = 0x10;

  // `inner` may be null; the detector then listens at 8000 Hz mono.
  // `flags` must outlive the detector.
  LSinkEndOfCallTone(LSoundSinkRef inner, std::atomic<uint8_t> &flags);

  void Write(const int32_t *buffer, int32_t frames) override;
  void Truncate(int32_t frame) override;

 private:
  static constexpr int kHistory = 240;  // 6 s of block peaks
  static constexpr int kFirstLag = 51;
  static constexpr int kLags = 50;
  static constexpr int kLoudBlocks = 61;
  static constexpr int32_t kLoudPeak = 16385;

  void EndBlock();
  bool EnvelopeRepeats(int32_t peak);
  int32_t At(int blocksAgo) const;

  LSoundSinkRef inner_;
  std::atomic<uint8_t> &flags_;
  const int32_t blockLength_;
  int32_t countdown_;
  int32_t largest_ = 0;
  int32_t smallest_ = 0;
  std::array<int32_t, kHistory> history_{};
  int index_ = 0;
  int32_t longTermAverage_ = 0;  // about 64 blocks, scaled by 64
  std::array<int32_t, kLags> accumulators_{};
};
