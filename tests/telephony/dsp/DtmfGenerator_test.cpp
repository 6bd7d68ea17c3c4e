#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "telephony/dsp/LToneGenerator.h"

namespace {

// Zero crossings from below, a rough frequency count.
int RisingCrossings(const std::vector<int16_t>& samples, size_t from, size_t to) {
  int count = 0;
  for (size_t i = from + 1; i < to; ++i) count += samples[i - 1] < 0 && samples[i] >= 0;
  return count;
}

}  // namespace

TEST(DtmfGenerator, KeysTakeTheirToneAndGapAcrossBlocks) {
  LToneGenerator generator;
  ASSERT_TRUE(generator.QueueKeys("12", 100, 60));
  std::vector<int16_t> samples(3000, 0);
  size_t covered = 0;
  for (size_t at = 0; at < samples.size(); at += 160) {
    covered += generator.Mix(std::span<int16_t>(samples).subspan(at, 160));
  }
  EXPECT_EQ(covered, 2u * 1280);
  EXPECT_TRUE(generator.Idle());
  // Tone for 800 samples, then silence for 480, faded in and out.
  EXPECT_EQ(samples[0], 0);
  EXPECT_GT(std::abs(samples[400]) + std::abs(samples[401]) + std::abs(samples[402]), 0);
  for (size_t i = 800; i < 1280; ++i) ASSERT_EQ(samples[i], 0) << i;
  for (size_t i = 2560; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0) << i;
}

TEST(DtmfGenerator, RefusesAStringWithANonKey) {
  LToneGenerator generator;
  EXPECT_FALSE(generator.QueueKeys("12x3"));
  EXPECT_FALSE(generator.QueueKeys("!"));
  EXPECT_TRUE(generator.Idle());
  EXPECT_TRUE(generator.QueueKeys("*#abcd"));
  generator.Clear();
  EXPECT_TRUE(generator.Idle());
}

TEST(DtmfGenerator, BeepIs40MsOf1000Hz) {
  LToneGenerator generator;
  generator.QueueBeep();
  std::vector<int16_t> samples(800, 0);
  EXPECT_EQ(generator.Mix(samples), 320u);
  EXPECT_NEAR(RisingCrossings(samples, 0, 320), 40, 1);
  for (size_t i = 320; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0);
}

TEST(DtmfGenerator, MixesIntoTheSendAudioWithoutWrapping) {
  LToneGenerator generator;
  ASSERT_TRUE(generator.QueueKeys("D", 50, 0));
  std::vector<int16_t> loud(400, 30000);
  EXPECT_EQ(generator.Mix(loud), 400u);
  for (int16_t v : loud) ASSERT_GT(v, 0);
  int peak = 0;
  for (int16_t v : loud) peak = std::max<int>(peak, v);
  EXPECT_EQ(peak, 32767);
}
