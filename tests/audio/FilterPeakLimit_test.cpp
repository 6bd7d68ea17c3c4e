#include <gtest/gtest.h>

#include <algorithm>

#include "FilterTestSource.h"
#include "audio/GainProduct.h"
#include "audio/LSRCPeakLimit.h"

namespace {

// A sweep from 20 Hz to just below half the rate whose amplitude jumps
// between quiet and four times full scale, with a slow swell in between.
GeneratedSource::Generator LoudChirp(int32_t rate, int32_t length) {
  return [=](int32_t frame, int channel) {
    const double t = static_cast<double>(frame) / rate;
    const double span = static_cast<double>(length) / rate;
    const double top = rate * 0.49;
    const double phase = 2 * M_PI * (20 * t + (top - 20) * t * t / (2 * span)) + channel;
    const bool loud = (frame / (rate * 3 / 10)) % 2 == 1;
    const double amplitude = loud ? 2100000.0 : 1000.0 + 900000.0 * std::fabs(std::sin(t));
    return static_cast<int32_t>(amplitude * std::sin(phase));
  };
}

// The split gain product rounds towards minus infinity by less than 3, so
// negative samples may end up to 2 below -limit; -524274 still leaves the
// chain as -32767, never wrapping.
void ExpectLimited(int32_t rate, int channels, int32_t limit) {
  const int32_t length = rate * 3;
  LSoundSourceRef limited =
      new LSRCPeakLimit(new GeneratedSource(rate, channels, length, LoudChirp(rate, length)),
                        static_cast<uint32_t>(limit));
  const std::vector<int32_t> out = ReadFrames(*limited, length);
  const auto [low, high] = std::minmax_element(out.begin(), out.end());
  EXPECT_LE(*high, limit) << rate << " Hz, " << channels << " channels";
  EXPECT_GE(*low, -limit - 2) << rate << " Hz, " << channels << " channels";
  EXPECT_GT(*high, limit * 9 / 10) << "limits, does not mute";
}

TEST(LSRCPeakLimit, GainForTheWorstPeakKeepsTheProductInRange) {
  for (int32_t limit : {kFullScale16, 1000, LSRCPeakLimit::kMaxLimit}) {
    for (int64_t peak = limit + 1; peak < 8 * int64_t{limit}; peak += 1 + peak / 4096) {
      const int32_t gain = LSRCPeakLimit::BlockGain(static_cast<uint32_t>(peak), limit);
      ASSERT_LE(GainProduct(static_cast<int32_t>(peak), gain), limit) << peak;
      ASSERT_GE(GainProduct(static_cast<int32_t>(-peak), gain), -limit - 2) << peak;
    }
  }
}

TEST(LSRCPeakLimit, NeverExceedsItsLimitOnALoudChirp) {
  ExpectLimited(8000, 1, kFullScale16);
  ExpectLimited(44100, 2, kFullScale16);
  ExpectLimited(11025, 1, 100000);
}

TEST(LSRCPeakLimit, BlockGainIsUnityUpToTheLimitAndAboutLimitOverPeak) {
  EXPECT_EQ(LSRCPeakLimit::BlockGain(kFullScale16, kFullScale16), kUnityGain);
  EXPECT_LT(LSRCPeakLimit::BlockGain(kFullScale16 + 1, kFullScale16), kUnityGain);
  EXPECT_EQ(LSRCPeakLimit::BlockGain(2 * kFullScale16, kFullScale16),
            ((kFullScale16 * 512) / ((2 * kFullScale16 + 64) >> 6)) * 512);
  EXPECT_NEAR(LSRCPeakLimit::BlockGain(2 * kFullScale16, kFullScale16), kUnityGain / 2, 1024);
  EXPECT_GT(LSRCPeakLimit::BlockGain(2147483648u, kFullScale16), 0);
}

TEST(LSRCPeakLimit, PassesInRangeAudioUnchangedAndKeepsPositionsInStep) {
  const auto tone = Tone(kFullScale16, 440, 8000);
  LSoundSourceRef reference = new GeneratedSource(8000, 2, 4000, tone);
  auto* upstream = new GeneratedSource(8000, 2, 4000, tone);
  LSoundSourceRef limited = new LSRCPeakLimit(upstream, kFullScale16);
  auto* limiter = static_cast<LSRCPeakLimit*>(limited.Get());
  EXPECT_EQ(limiter->BlockFrames(), 228) << "8000 / 35";
  EXPECT_EQ(limited->MaxLevel(), static_cast<uint32_t>(kFullScale16));

  EXPECT_EQ(ReadFrames(*limited, 1000), ReadFrames(*reference, 1000));
  EXPECT_EQ(limited->GetPosition(), 1000);
  EXPECT_EQ(limited->GetEndSample(), 4000);
  upstream->streaming = true;
  EXPECT_EQ(limited->GetEndSample(), 4000 - 3 * 228) << "held blocks are not yet playable";

  limited->Seek(3000);
  reference->Seek(3000);
  EXPECT_EQ(limited->GetPosition(), 3000);
  EXPECT_EQ(ReadFrames(*limited, 1100), ReadFrames(*reference, 1100)) << "zeros past the end";
  EXPECT_EQ(limited->GetPosition(), 4100);
}

TEST(LSRCPeakLimit, LimitIsCappedAndSourcesInErrorSoundSilent) {
  LSoundSourceRef wide = new LSRCPeakLimit(new GeneratedSource(8000, 1, 100, Constant(1)), 9000000);
  EXPECT_EQ(wide->MaxLevel(), static_cast<uint32_t>(LSRCPeakLimit::kMaxLimit));

  // Rate 0 puts the source in error; what it writes must not come through.
  LSoundSourceRef failed =
      new LSRCPeakLimit(new GeneratedSource(0, 1, 1000, Constant(77)), kFullScale16);
  EXPECT_TRUE(failed->IsError());
  EXPECT_EQ(PeakOf(ReadFrames(*failed, 1000)), 0);
}

}  // namespace
