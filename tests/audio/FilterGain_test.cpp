#include <gtest/gtest.h>

#include <random>

#include "FilterTestSource.h"
#include "audio/GainProduct.h"
#include "audio/GainTable.h"
#include "audio/LSRCGain.h"
#include "audio/LevelMeter.h"

namespace {

TEST(GainProduct, UnityIsTransparentOverTheWholeChainRange) {
  for (int32_t x = -4194304; x <= 4194303; ++x) {
    if (GainProduct(x, kUnityGain) != x) FAIL() << x;
  }
}

TEST(GainProduct, StaysWithinTwoBelowTheExactProduct) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> sample(-4194304, 4194303);
  std::uniform_int_distribution<int32_t> gain(0, 2147483647);
  for (int i = 0; i < 100000; ++i) {
    const int32_t x = sample(random);
    const int32_t g = gain(random);
    const int64_t exact = (int64_t{x} * g) >> 24;  // rounded down
    const int64_t got = GainProduct(x, g);
    ASSERT_LE(got, exact) << x << " * " << g;
    ASSERT_GE(got, exact - 2) << x << " * " << g;
  }
  EXPECT_EQ(GainProduct(2147483647, 2147483647), 2147483647) << "saturates";
  EXPECT_EQ(GainProduct(-2147483647 - 1, 2147483647), -2147483647 - 1);
}

TEST(GainTable, EntriesRoundCapAndMute) {
  EXPECT_EQ(GainTable::Amplitude(0), kUnityGain);
  EXPECT_EQ(GainTable::Amplitude(20), 167772160);
  EXPECT_EQ(GainTable::Amplitude(6), 33474947);
  EXPECT_EQ(GainTable::Amplitude(-6), 8408526);
  EXPECT_EQ(GainTable::Amplitude(-1), 14952709);
  EXPECT_EQ(GainTable::Amplitude(19), 149527095);
  EXPECT_EQ(GainTable::Amplitude(-126), 8);
  EXPECT_EQ(GainTable::Amplitude(-127), 0);
  EXPECT_EQ(GainTable::Amplitude(-128), 0);
  EXPECT_EQ(GainTable::Amplitude(127), 2147483647);
  EXPECT_EQ(GainTable::Amplitude(43), 2147483647) << "first entry past 2^31 is capped";
  EXPECT_EQ(GainTable::Power(0), kUnityGain);
  EXPECT_EQ(GainTable::Power(3), 33474947);
  EXPECT_EQ(GainTable::Power(10), 167772160);
  EXPECT_EQ(GainTable::Power(-126), 0);
  EXPECT_EQ(GainTable::Power(-127), 0);
  EXPECT_EQ(GainTable::Power(127), 2147483647);
}

TEST(LSRCGain, ZeroDbIsTransparentAndMinus127Mutes) {
  auto chirpish = [](int32_t frame, int channel) {
    return (frame * 7919 + channel * 13) % 1048573 - 524286;
  };
  LSoundSourceRef reference = new GeneratedSource(8000, 2, 5000, chirpish);
  LSoundSourceRef unity = new LSRCGain(new GeneratedSource(8000, 2, 5000, chirpish), 0);
  EXPECT_EQ(ReadFrames(*unity, 5000), ReadFrames(*reference, 5000));
  EXPECT_EQ(unity->MaxLevel(), static_cast<uint32_t>(kFullScale16));

  LSoundSourceRef mute = new LSRCGain(new GeneratedSource(8000, 2, 5000, chirpish), -127);
  EXPECT_EQ(PeakOf(ReadFrames(*mute, 5000)), 0);
}

TEST(LSRCGain, AppliesTheTableGainAndDeclaresTheRaisedLevel) {
  LSoundSourceRef louder = new LSRCGain(new GeneratedSource(8000, 1, 100, Constant(100000)), 6);
  EXPECT_EQ(ReadFrames(*louder, 1)[0], GainProduct(100000, 33474947));
  EXPECT_NEAR(ReadFrames(*louder, 1)[0], 199526, 2);
  EXPECT_EQ(louder->MaxLevel(), LSRCGain::kRaisedMaxLevel);

  LSoundSourceRef softer = new LSRCGain(new GeneratedSource(8000, 1, 100, Constant(-100000)), -6);
  EXPECT_EQ(ReadFrames(*softer, 1)[0], GainProduct(-100000, 8408526));
  EXPECT_EQ(softer->MaxLevel(), static_cast<uint32_t>(kFullScale16));
  EXPECT_EQ(softer->GetPosition(), 1) << "position forwards to the upstream";
}

TEST(LevelMeter, PeakTakesTheLargerSideAndSkipsOtherChannels) {
  const int32_t block[] = {3, -700, 5, 600, -9, 1};
  EXPECT_EQ(PeakLevel(block, 6), 700u);
  EXPECT_EQ(PeakLevel(block, 0), 0u);
  EXPECT_EQ(PeakLevel(block, 3, 2, 0), 9u);
  EXPECT_EQ(PeakLevel(block, 3, 2, 1), 700u);
  const int32_t extreme[] = {-2147483647 - 1};
  EXPECT_EQ(PeakLevel(extreme, 1), 2147483648u);
}

TEST(LevelMeter, MeanSquareRoundsDownAndCannotOverflow) {
  const int32_t block[] = {32, -64, 31, 0};
  EXPECT_EQ(MeanSquareLevel(block, 2), 2u) << "(1 + 4) / 2";
  EXPECT_EQ(MeanSquareLevel(block, 0), 0u);
  EXPECT_EQ(MeanSquareLevel(block, 2, 2, 1), 2u) << "(4 + 0) / 2";
  EXPECT_EQ(MeanSquareLevel(block + 2, 1), 0u) << "31 >> 5 is 0";
  std::vector<int32_t> loud(8192 * 2, -2147483647 - 1);
  EXPECT_EQ(MeanSquareLevel(loud.data(), static_cast<int32_t>(loud.size())), uint64_t{1} << 52);
  loud[0] = 0;
  EXPECT_EQ(MeanSquareLevel(loud.data(), static_cast<int32_t>(loud.size())),
            (uint64_t{1} << 38) * 16383)
      << "2^52 * 16383 / 16384";
}

TEST(LevelMeter, MeanSquareDbRoundsHalvesAwayFromTheReference) {
  EXPECT_EQ(MeanSquareDb(0), -127);
  EXPECT_EQ(MeanSquareDb(8388626), 0);
  EXPECT_EQ(MeanSquareDb(83886260), 10);
  EXPECT_EQ(MeanSquareDb(static_cast<uint64_t>(8388626 * std::pow(10.0, -0.04))), 0);
  EXPECT_EQ(MeanSquareDb(static_cast<uint64_t>(8388626 * std::pow(10.0, -0.06))), -1);
  EXPECT_EQ(MeanSquareDb(static_cast<uint64_t>(8388626 * std::pow(10.0, 0.06))), 1);
  EXPECT_EQ(MeanSquareDb(1), -69);
  EXPECT_EQ(MeanSquareDb(uint64_t{1} << 52), 87);
  EXPECT_EQ(MeanSquareDb(~uint64_t{0}), 123);
}

}  // namespace
