#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DtmfSignals.h"
#include "telephony/dsp/LDtmfDetector.h"

namespace {

std::string Detect(const std::vector<int16_t>& samples) { return LDtmfDetector().Feed(samples); }

// The samples of several tones, each followed by its gap, after 50 ms of silence.
std::vector<int16_t> Tones(std::initializer_list<std::pair<DtmfTone, double>> tones) {
  std::vector<int16_t> samples(400, 0);
  for (const auto& [tone, gapMs] : tones) AppendTone(samples, tone, gapMs);
  return samples;
}

}  // namespace

TEST(DtmfDetector, KeysAreHeardOnlyWithinTheDurationFrequencyTwistAndLevelLimits) {
  struct Row { const char* what; DtmfTone tone; bool found; };
  const Row rows[] = {
      {"40 ms", {.ms = 40}, true}, {"23 ms", {.ms = 23}, false},
      {"row -1.5%", {.ms = 50, .rowFactor = 0.985}, true}, {"row +1.5%", {.ms = 50, .rowFactor = 1.015}, true},
      {"column -1.5%", {.ms = 50, .columnFactor = 0.985}, true},
      {"column +1.5%", {.ms = 50, .columnFactor = 1.015}, true},
      {"apart", {.ms = 50, .rowFactor = 0.985, .columnFactor = 1.015}, true},
      {"together", {.ms = 50, .rowFactor = 1.015, .columnFactor = 0.985}, true},
      {"row -3.5%", {.ms = 100, .rowFactor = 0.965}, false}, {"row +3.5%", {.ms = 100, .rowFactor = 1.035}, false},
      {"column -3.5%", {.ms = 100, .columnFactor = 0.965}, false},
      {"column +3.5%", {.ms = 100, .columnFactor = 1.035}, false},
      {"twist 8", {.ms = 50, .twistDb = 8}, true}, {"twist -4", {.ms = 50, .twistDb = -4}, true},
      {"twist 10", {.ms = 100, .twistDb = 10}, false}, {"twist -6", {.ms = 100, .twistDb = -6}, false},
      {"level 250", {.ms = 100, .rowAmplitude = 250}, false}, {"level 600", {.ms = 100, .rowAmplitude = 600}, true}};
  for (const Row& row : rows) {
    DtmfTone tone = row.tone;
    for (int k = 0; k < 16; ++k) {
      tone.key = kAllKeys[k];
      std::string keys;  // three alignments to the hops
      for (int lead : {400, 407, 413}) keys += Detect(ToneSignal(tone, lead, static_cast<uint32_t>(k + lead)));
      EXPECT_EQ(keys, row.found ? std::string(3, kAllKeys[k]) : "") << row.what << ", key " << kAllKeys[k];
    }
  }
}

TEST(DtmfDetector, FindsEveryKeyOnceInBlocksOfAnySize) {
  std::vector<int16_t> samples(200, 0);
  for (char key : std::string(kAllKeys)) AppendTone(samples, {.key = key, .ms = 70}, 60);
  for (size_t block : {1u, 7u, 160u, 333u, 4000u}) EXPECT_EQ(DetectInBlocks(samples, block), kAllKeys) << "blocks of " << block;
  std::vector<int32_t> chain;  // chain samples count as their 16-bit values
  for (int16_t v : ToneSignal({.key = '#'})) chain.push_back(v * 16);
  EXPECT_EQ(LDtmfDetector().FeedChain(chain), "#");
}

TEST(DtmfDetector, SameKeyAgainNeedsAGapAndResetForgetsAHalfHeardTone) {
  // A 5 ms drop-out is one key, 25 ms of silence make two; another key needs no gap.
  EXPECT_EQ(Detect(Tones({{{.key = '7', .ms = 80}, 5}, {{.key = '7', .ms = 80}, 100}})), "7");
  EXPECT_EQ(Detect(Tones({{{.key = '7', .ms = 50}, 25}, {{.key = '7', .ms = 50}, 100}})), "77");
  EXPECT_EQ(Detect(Tones({{{.key = '7', .ms = 60}, 0}, {{.key = '8', .ms = 60}, 100}})), "78");
  const std::vector<int16_t> samples = ToneSignal({.key = '3', .ms = 60}, 400);
  LDtmfDetector detector;
  EXPECT_EQ(detector.Feed(std::span<const int16_t>(samples).first(640)), "");
  detector.Reset();
  EXPECT_EQ(detector.Feed(std::span<const int16_t>(samples).subspan(640)), "");
}
