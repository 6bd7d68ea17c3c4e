#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "telephony/dsp/LToneGenerator.h"

TEST(DtmfGenerator, KeysTakeTheirToneAndGapAcrossBlocksAndNonKeysAreRefused) {
  LToneGenerator generator;
  EXPECT_FALSE(generator.QueueKeys("12x3"));
  ASSERT_TRUE(generator.QueueKeys("*#abcd"));
  generator.Clear();
  EXPECT_TRUE(generator.Idle());
  ASSERT_TRUE(generator.QueueKeys("12", 100, 60));
  std::vector<int16_t> samples(3000, 0);
  size_t covered = 0;
  for (size_t at = 0; at < samples.size(); at += 160) covered += generator.Mix(std::span<int16_t>(samples).subspan(at, 160));
  EXPECT_EQ(covered, 2u * 1280);
  EXPECT_TRUE(generator.Idle());
  // Tone for 800 samples faded in from 0, then silence for 480.
  EXPECT_EQ(samples[0], 0);
  EXPECT_GT(std::abs(samples[400]) + std::abs(samples[401]), 0);
  for (size_t i = 800; i < 1280; ++i) ASSERT_EQ(samples[i], 0) << i;
  for (size_t i = 2560; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0) << i;
}

TEST(DtmfGenerator, BeepIs40MsOf1000HzAndKeysMixWithoutWrapping) {
  LToneGenerator generator;
  generator.QueueBeep();
  std::vector<int16_t> samples(800, 0);
  EXPECT_EQ(generator.Mix(samples), 320u);
  int rising = 0;
  for (size_t i = 1; i < 320; ++i) rising += samples[i - 1] < 0 && samples[i] >= 0;
  EXPECT_NEAR(rising, 40, 1);
  for (size_t i = 320; i < samples.size(); ++i) ASSERT_EQ(samples[i], 0);
  ASSERT_TRUE(generator.QueueKeys("D", 50, 0));
  std::vector<int16_t> loud(400, 30000);
  EXPECT_EQ(generator.Mix(loud), 400u);
  EXPECT_GT(*std::min_element(loud.begin(), loud.end()), 0);
  EXPECT_EQ(*std::max_element(loud.begin(), loud.end()), 32767);
}
