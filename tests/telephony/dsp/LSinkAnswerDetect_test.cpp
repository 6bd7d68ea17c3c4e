#include "telephony/dsp/LSinkAnswerDetect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

// Feeds `seconds` of `at(sample)` in 100 ms blocks; the verdict and the
// second it first appeared (-1 when none).
std::pair<uint8_t, double> Listen(const std::function<int32_t(int)> &at, double seconds,
                                  int32_t silenceMs = 2250, int32_t timeoutMs = 30000) {
  auto result = std::make_shared<std::atomic<uint8_t>>(9);
  LRef<LSinkAnswerDetect> sink = new LSinkAnswerDetect(result, silenceMs, timeoutMs);
  EXPECT_EQ(result->load(), 0);  // cleared when the detector starts
  std::vector<int32_t> block(800);
  for (int n = 0; n < seconds * 10; ++n) {
    for (int i = 0; i < 800; ++i) block[static_cast<std::size_t>(i)] = at(n * 800 + i);
    sink->Write(block.data(), 800);
    if (result->load() != 0) return {result->load(), (n + 1) / 10.0};
  }
  return {0, -1};
}

// Speech-like: a 300 Hz tone whose loudness moves from syllable to syllable.
int32_t Voice(int i) {
  const double envelope = 0.5 + 0.5 * std::sin(i * 0.0015) * std::sin(i * 0.0004);
  return static_cast<int32_t>(200000 * envelope * std::sin(i * 0.2356));
}

TEST(AnswerDetect, AShortGreetingIsAPersonALongOneAMachine) {
  // One second of "hello", then silence: decided about 2.25 s after it ends.
  const auto [person, at] = Listen([](int i) { return i < 8000 ? Voice(i) : 0; }, 10);
  EXPECT_EQ(person, LSinkAnswerDetect::kPerson);
  EXPECT_NEAR(at, 1 + 2.25, 0.3);
  const auto [machine, later] = Listen([](int i) { return i < 160000 ? Voice(i) : 0; }, 30);
  EXPECT_EQ(machine, LSinkAnswerDetect::kMachine);
  EXPECT_NEAR(later, 20 + 2.25, 0.3);
}

TEST(AnswerDetect, EndlessSoundOrPickUpSilenceIsNotDecidedEarly) {
  const auto [none, at] = Listen(Voice, 40);
  EXPECT_EQ(none, LSinkAnswerDetect::kNoAnswer);
  EXPECT_NEAR(at, 30, 0.2);
  // Silence from the start: the first 2 s do not count.
  const auto [quiet, when] = Listen([](int) { return 0; }, 10);
  EXPECT_EQ(quiet, LSinkAnswerDetect::kPerson);
  EXPECT_NEAR(when, 2 + 2.25, 0.3);
}

}  // namespace
