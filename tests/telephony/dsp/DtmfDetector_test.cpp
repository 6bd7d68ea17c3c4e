#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DtmfSignals.h"
#include "telephony/dsp/LDtmfDetector.h"
#include "telephony/dsp/LToneGenerator.h"

namespace {

constexpr char kKeys[] = "123A456B789C*0#D";

std::string Detect(const std::vector<int16_t>& samples) {
  LDtmfDetector detector;
  return detector.Feed(samples);
}

// The keys found for every key's tone at three alignments to the hops, as
// one string per key; "" for a key never found.
std::vector<std::string> EveryKey(DtmfTone tone) {
  std::vector<std::string> found;
  for (int k = 0; k < 16; ++k) {
    tone.key = kKeys[k];
    std::string keys;
    for (int lead : {400, 407, 413}) keys += Detect(ToneSignal(tone, lead, static_cast<uint32_t>(k + lead)));
    found.push_back(keys);
  }
  return found;
}

void ExpectAllFound(const DtmfTone& tone) {
  const std::vector<std::string> found = EveryKey(tone);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(found[k], std::string(3, kKeys[k])) << "key " << kKeys[k];
}

void ExpectNoneFound(const DtmfTone& tone) {
  const std::vector<std::string> found = EveryKey(tone);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(found[k], "") << "key " << kKeys[k];
}

}  // namespace

TEST(DtmfDetector, FindsEveryKeyOnceInBlocksOfAnySize) {
  std::vector<int16_t> samples(200, 0);
  for (char key : std::string(kKeys)) AppendTone(samples, {.key = key, .ms = 70}, 60);
  for (size_t block : {1u, 7u, 160u, 333u, 4000u}) {
    LDtmfDetector detector;
    std::string keys;
    for (size_t at = 0; at < samples.size(); at += block) {
      keys += detector.Feed(std::span<const int16_t>(samples).subspan(at, std::min(block, samples.size() - at)));
    }
    EXPECT_EQ(keys, kKeys) << "blocks of " << block;
  }
}

TEST(DtmfDetector, ChainSamplesCountAsTheir16BitValues) {
  const std::vector<int16_t> samples = ToneSignal({.key = '#'});
  std::vector<int32_t> chain;
  for (int16_t v : samples) chain.push_back(v * 16);
  LDtmfDetector detector;
  EXPECT_EQ(detector.FeedChain(chain), "#");
}

TEST(DtmfDetector, Accepts40MsAndRefuses23Ms) {
  ExpectAllFound({.ms = 40});
  ExpectNoneFound({.ms = 23});
}

TEST(DtmfDetector, AcceptsFrequenciesWithin1Point5Percent) {
  for (double factor : {0.985, 1.015}) {
    ExpectAllFound({.ms = 50, .rowFactor = factor});
    ExpectAllFound({.ms = 50, .columnFactor = factor});
    ExpectAllFound({.ms = 50, .rowFactor = factor, .columnFactor = 2 - factor});
  }
}

TEST(DtmfDetector, RefusesFrequencies3Point5PercentOff) {
  for (double factor : {0.965, 1.035}) {
    ExpectNoneFound({.ms = 100, .rowFactor = factor});
    ExpectNoneFound({.ms = 100, .columnFactor = factor});
  }
}

TEST(DtmfDetector, AcceptsTwistWithinLimitsOnly) {
  ExpectAllFound({.ms = 50, .twistDb = 8});
  ExpectAllFound({.ms = 50, .twistDb = -4});
  ExpectNoneFound({.ms = 100, .twistDb = 10});
  ExpectNoneFound({.ms = 100, .twistDb = -6});
}

TEST(DtmfDetector, HearsKeysThroughNoise) {
  for (double snr : {20.0, 15.0}) {
    std::vector<int16_t> samples;
    AppendTone(samples, {.ms = 0, .snrDb = snr}, 80, 3);
    for (char key : std::string(kKeys)) AppendTone(samples, {.key = key, .ms = 45, .snrDb = snr}, 60, key);
    EXPECT_EQ(Detect(samples), kKeys) << "SNR " << snr << " dB";
  }
}

TEST(DtmfDetector, IgnoresQuietTones) {
  ExpectNoneFound({.ms = 100, .rowAmplitude = 250});
  ExpectAllFound({.ms = 100, .rowAmplitude = 600});
}

TEST(DtmfDetector, SameKeyAgainNeedsAGap) {
  // A 5 ms drop-out in a long tone is one key; 25 ms of silence makes two.
  std::vector<int16_t> broken(400, 0);
  AppendTone(broken, {.key = '7', .ms = 80}, 5);
  AppendTone(broken, {.key = '7', .ms = 80}, 100);
  EXPECT_EQ(Detect(broken), "7");
  std::vector<int16_t> twice(400, 0);
  AppendTone(twice, {.key = '7', .ms = 50}, 25);
  AppendTone(twice, {.key = '7', .ms = 50}, 100);
  EXPECT_EQ(Detect(twice), "77");
  // A different key straight after needs no gap.
  std::vector<int16_t> changed(400, 0);
  AppendTone(changed, {.key = '7', .ms = 60}, 0);
  AppendTone(changed, {.key = '8', .ms = 60}, 100);
  EXPECT_EQ(Detect(changed), "78");
}

TEST(DtmfDetector, ResetForgetsAHalfHeardTone) {
  const std::vector<int16_t> samples = ToneSignal({.key = '3', .ms = 60}, 400);
  LDtmfDetector detector;
  EXPECT_EQ(detector.Feed(std::span<const int16_t>(samples).first(640)), "");
  detector.Reset();
  EXPECT_EQ(detector.Feed(std::span<const int16_t>(samples).subspan(640)), "");
}

TEST(DtmfDetector, HearsTheGeneratedKeys) {
  LToneGenerator generator;
  ASSERT_TRUE(generator.QueueKeys("0123456789*#ABCD", 50, 50));
  std::vector<int16_t> samples(16 * 800 + 800, 0);
  EXPECT_EQ(generator.Mix(samples), 16u * 800);
  EXPECT_EQ(Detect(samples), "0123456789*#ABCD");
}
