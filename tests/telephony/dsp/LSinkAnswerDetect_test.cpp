#include "telephony/dsp/LSinkAnswerDetect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace {

using Signal = std::function<int32_t(int)>;

// Speech-like: a 300 Hz tone whose loudness moves from syllable to syllable.
int32_t Voice(int i) {
  const double envelope = 0.5 + 0.5 * std::sin(i * 0.0015) * std::sin(i * 0.0004);
  return static_cast<int32_t>(200000 * envelope * std::sin(i * 0.2356));
}

// The verdict and when it first appears (in 100 ms recorder buffers), with
// the controller's defaults; -1 s when there is none within 40 s.
std::pair<uint8_t, double> Detect(const Signal& at) {
  auto result = std::make_shared<std::atomic<uint8_t>>(9);
  LRef<LSinkAnswerDetect> sink = new LSinkAnswerDetect(result, 2250, 30000);
  EXPECT_EQ(result->load(), 0);  // cleared when the detector starts
  std::vector<int32_t> block(800);
  for (int n = 0; n < 400; ++n) {
    for (int i = 0; i < 800; ++i) block[static_cast<std::size_t>(i)] = at(n * 800 + i);
    sink->Write(block.data(), 800);
    if (result->load() != 0) return {result->load(), (n + 1) / 10.0};
  }
  return {0, -1};
}

// Hiss from a fixed seed, 30 s of it, uniform in +-1.
double Hiss(int i) {
  static const std::vector<double> hiss = [] {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::vector<double> values(240000);
    for (double& v : values) v = uniform(random);
    return values;
  }();
  return hiss[static_cast<std::size_t>(i) % hiss.size()];
}

// The greeting's length decides once the silence time has passed; pauses
// shorter than it and hiss below a quarter of the speech are no end.
TEST(AnswerDetect, GreetingLengthDecidesAfterTheSilenceAndEndlessSoundTimesOut) {
  // `second`: when the verdict first appears, in 100 ms blocks.
  struct Row { const char* what; Signal at; uint8_t verdict; double second; };
  const Row rows[] = {
      {"one second of hello", [](int i) { return i < 8000 ? Voice(i) : 0; }, LSinkAnswerDetect::kPerson, 1 + 2.25},
      {"20 s greeting", [](int i) { return i < 160000 ? Voice(i) : 0; }, LSinkAnswerDetect::kMachine, 20 + 2.25},
      {"endless sound", Voice, LSinkAnswerDetect::kNoAnswer, 30},
      {"silence: the first 2 s do not count", [](int) { return 0; }, LSinkAnswerDetect::kPerson, 2 + 2.25},
      {"17 s greeting, 1.5 s pauses", [](int i) { return i < 136000 && i % 40000 < 28000 ? Voice(i) : 0; },
       LSinkAnswerDetect::kMachine, 17 + 2.25},
      {"hello over hiss 20 dB down",
       [](int i) { return (i < 8000 ? Voice(i) : 0) + static_cast<int32_t>(20000 * Hiss(i)); },
       LSinkAnswerDetect::kPerson, 1 + 2.25},
      // Hiss above a quarter of the speech's peaks never reads as quiet.
      {"hello over hiss 8 dB down",
       [](int i) { return (i < 8000 ? Voice(i) : 0) + static_cast<int32_t>(80000 * Hiss(i)); },
       LSinkAnswerDetect::kNoAnswer, 30}};
  for (const Row& row : rows) {
    const auto [verdict, second] = Detect(row.at);
    EXPECT_EQ(verdict, row.verdict) << row.what;
    EXPECT_NEAR(second, row.second, 0.3) << row.what;
  }
}

}  // namespace
