#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/LSoundSinkBase.h"

// Listens to a placed call after it connects and decides who answered: a
// short greeting followed by silence is a person (1), a greeting longer
// than 15 s a machine (3), nothing decided before the time-out no answer
// (4). Works on 25 ms blocks of the 8000 Hz line audio against a running
// average of their peaks; the first 2 s of silence after pick-up do not
// count. The verdict is written for the controller, which polls it.
class LSinkAnswerDetect final : public LSoundSinkBase {
 public:
  static constexpr uint8_t kPerson = 1;
  static constexpr uint8_t kMachine = 3;
  static constexpr uint8_t kNoAnswer = 4;

  LSinkAnswerDetect(std::shared_ptr<std::atomic<uint8_t>> result, int32_t silenceMs,
                    int32_t timeoutMs);

  void Write(const int32_t *buffer, int32_t frames) override;

 private:
  static constexpr int32_t kRate = 8000;
  static constexpr int32_t kBlock = 200;
  static constexpr int64_t kPersonLimit = 120000;  // 15 s of greeting

  void TestAnswer();

  const std::shared_ptr<std::atomic<uint8_t>> result_;
  const int64_t timeoutSamples_;
  const int64_t silenceLimit_;
  int64_t written_ = 0;
  int32_t countdown_ = kBlock;
  int32_t largest_ = 0;
  int32_t smallest_ = 0;
  int64_t silence_ = -2 * kRate;
  int32_t average_ = 8192;
};
