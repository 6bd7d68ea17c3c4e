#include "telephony/dsp/LSinkAnswerDetect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

using Signal = std::function<int32_t(int)>;

// Speech-like: a 300 Hz tone whose loudness moves from syllable to syllable.
int32_t Voice(int i) {
  const double envelope = 0.5 + 0.5 * std::sin(i * 0.0015) * std::sin(i * 0.0004);
  return static_cast<int32_t>(200000 * envelope * std::sin(i * 0.2356));
}

TEST(AnswerDetect, GreetingLengthDecidesAfterTheSilenceAndEndlessSoundTimesOut) {
  // `second`: when the verdict first appears, in 100 ms blocks.
  struct Row { const char* what; Signal at; uint8_t verdict; double second; };
  const Row rows[] = {
      {"one second of hello", [](int i) { return i < 8000 ? Voice(i) : 0; }, LSinkAnswerDetect::kPerson, 1 + 2.25},
      {"20 s greeting", [](int i) { return i < 160000 ? Voice(i) : 0; }, LSinkAnswerDetect::kMachine, 20 + 2.25},
      {"endless sound", Voice, LSinkAnswerDetect::kNoAnswer, 30},
      {"silence: the first 2 s do not count", [](int) { return 0; }, LSinkAnswerDetect::kPerson, 2 + 2.25}};
  for (const Row& row : rows) {
    auto result = std::make_shared<std::atomic<uint8_t>>(9);
    LRef<LSinkAnswerDetect> sink = new LSinkAnswerDetect(result, 2250, 30000);
    EXPECT_EQ(result->load(), 0) << row.what;  // cleared when the detector starts
    std::vector<int32_t> block(800);
    double second = -1;
    for (int n = 0; n < 400 && second < 0; ++n) {
      for (int i = 0; i < 800; ++i) block[static_cast<std::size_t>(i)] = row.at(n * 800 + i);
      sink->Write(block.data(), 800);
      if (result->load() != 0) second = (n + 1) / 10.0;
    }
    EXPECT_EQ(result->load(), row.verdict) << row.what;
    EXPECT_NEAR(second, row.second, 0.3) << row.what;
  }
}

}  // namespace
