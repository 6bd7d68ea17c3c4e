#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "TestSources.h"
#include "audio/GainProduct.h"
#include "audio/GainTable.h"
#include "audio/LSRCCompressor.h"
#include "audio/LSRCGain.h"
#include "audio/LSRCHighPass.h"
#include "audio/LSRCPeakLimit.h"
#include "audio/LevelMeter.h"

namespace {

constexpr double kThreeToOne = 0.9261187281287935;  // 10^(-1/30)

// A sweep from 20 Hz to just below half the rate whose amplitude jumps
// between quiet and four times full scale, with a slow swell in between.
TestSource::Generator LoudChirp(int32_t rate, int32_t length) {
  return [=](int32_t frame, int channel) {
    const double t = static_cast<double>(frame) / rate, span = static_cast<double>(length) / rate;
    const double phase = 2 * M_PI * (20 * t + (rate * 0.49 - 20) * t * t / (2 * span)) + channel;
    const bool loud = (frame / (rate * 3 / 10)) % 2 == 1;
    return static_cast<int32_t>((loud ? 2100000.0 : 1000.0 + 900000.0 * std::fabs(std::sin(t))) * std::sin(phase));
  };
}

// The gain product rounds down, by at most 2, and saturates.
TEST(GainProduct, ExactAtUnityAndOtherwiseWithinTwoBelowTheExactProduct) {
  for (int32_t x = -4194304; x <= 4194303; ++x)
    if (GainProduct(x, kUnityGain) != x) FAIL() << x;
  std::mt19937 random(7);
  for (int i = 0; i < 100000; ++i) {
    const int32_t x = static_cast<int32_t>(random() % 8388608) - 4194304, g = static_cast<int32_t>(random() >> 1);
    const int64_t exact = (int64_t{x} * g) >> 24, got = GainProduct(x, g);
    ASSERT_TRUE(got <= exact && got >= exact - 2) << x << " * " << g << " gave " << got;
  }
  EXPECT_TRUE(GainProduct(INT32_MAX, INT32_MAX) == INT32_MAX && GainProduct(INT32_MIN, INT32_MAX) == INT32_MIN);
}

TEST(LSRCGain, ZeroDbIsTransparentAndOtherGainsComeFromTheTable) {
  // Capped, not wrapped.
  EXPECT_EQ(std::vector({GainTable::Amplitude(20), GainTable::Amplitude(43), GainTable::Power(10)}),
            std::vector({10 * kUnityGain, INT32_MAX, 10 * kUnityGain}));
  auto chirpish = [](int32_t frame, int channel) { return (frame * 7919 + channel * 13) % 1048573 - 524286; };
  TestSource reference(8000, 2, 5000, chirpish);
  const std::vector<int32_t> in = ReadFrames(reference, 5000);
  for (int db : {0, 6, -6, -127}) {
    std::vector<int32_t> expected;
    for (int32_t x : in) expected.push_back(db == 0 ? x : GainProduct(x, GainTable::Amplitude(db)));
    LSRCGain gain(new TestSource(8000, 2, 5000, chirpish), static_cast<int8_t>(db));
    const std::vector<int32_t> out = ReadFrames(gain, 5000);
    EXPECT_TRUE(out == expected && (db == -127) == (PeakOf(out) == 0)) << db;
  }
}

// Channel 0: a DC offset that must go; 1: a 1 kHz tone that must stay;
// 2: a 20 Hz tone far below the corner.
TEST(LSRCHighPass, RemovesDcAndLowTonesAndPassesOneKilohertz) {
  auto mixed = [high = Tone(200000, 1000, 8000), low = Tone(200000, 20, 8000)](int32_t f, int c) {
    return c == 0 ? 300000 : c == 1 ? high(f, 0) : low(f, 0);
  };
  LSRCHighPass filtered(new TestSource(8000, 3, 16000, mixed), 300);
  const std::vector<int32_t> out = ReadFrames(filtered, 16000);
  int32_t peaks[3] = {};
  for (size_t i = 3 * 8000; i < out.size(); ++i) peaks[i % 3] = std::max(peaks[i % 3], std::abs(out[i]));
  // Only the rounding residue of the 8-bit state remains; the step itself passes at first.
  EXPECT_TRUE(peaks[0] <= 256 && std::abs(peaks[1] - 200000) < 24000 && peaks[2] < 25000) << peaks[0] << " " << peaks[1];
  EXPECT_GT(std::abs(out[0]), 290000);
}

TEST(LSRCPeakLimit, NeverExceedsItsLimitOnALoudChirpAndPassesQuietAudio) {
  for (auto [rate, channels, limit] : {std::tuple{8000, 1, kFullScale16}, {44100, 2, kFullScale16}, {11025, 1, 100000}}) {
    LSRCPeakLimit limited(new TestSource(rate, channels, rate * 3, LoudChirp(rate, rate * 3)), static_cast<uint32_t>(limit));
    const std::vector<int32_t> out = ReadFrames(limited, rate * 3);
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    // The gain product rounds down by less than 3: -limit - 2 still
    // leaves the chain as -32767, never wrapping; it limits, not mutes.
    EXPECT_TRUE(*high <= limit && *low >= -limit - 2 && *high > limit * 9 / 10) << rate << ": " << *low << " " << *high;
  }
  TestSource reference(8000, 2, 4000, Tone(kFullScale16, 440, 8000));
  LSRCPeakLimit limited(new TestSource(8000, 2, 4000, Tone(kFullScale16, 440, 8000)), kFullScale16);
  EXPECT_EQ(ReadFrames(limited, 4100), ReadFrames(reference, 4100));
}

// A 1 kHz tone at 8000 Hz has whole periods in every 50 ms block, so every
// block measures the same level: a quiet one gets exactly the make-up gain of
// the table. A passage 20 dB louder, above the threshold, comes out 20/3 dB
// louder (measured away from the edges the look-ahead ramps towards).
TEST(LSRCCompressor, QuietSteadyToneGetsTheMakeUpGainAndLoudPassagesTheRatio) {
  const LSRCCompressor::Curve curve = LSRCCompressor::BuildCurve(-20, kThreeToOne);
  // 10^(2/3) in Q24, and capped.
  EXPECT_TRUE(curve[128 - 20] == 77872938 && LSRCCompressor::BuildCurve(-128, 0.5)[0] == INT32_MAX);
  TestSource reference(8000, 1, 8000, Tone(4000, 1000, 8000));
  LSRCCompressor compressed(new TestSource(8000, 1, 8000, Tone(4000, 1000, 8000)), -20, kThreeToOne, 50);
  const std::vector<int32_t> in = ReadFrames(reference, 4000), out = ReadFrames(compressed, 4000);
  const int db = MeanSquareDb(MeanSquareLevel(in.data(), 400));
  ASSERT_LT(db, -20);
  for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], GainProduct(in[i], curve[static_cast<size_t>(db + 128)])) << i;

  auto stepped = [](int32_t frame, int) { return static_cast<int32_t>(SineAt(frame < 8000 ? 4000.0 : 40000.0, 1000, 8000, frame)); };
  LSRCCompressor loud(new TestSource(8000, 1, 24000, stepped), -40, kThreeToOne, 50);
  const std::vector<int32_t> steps = ReadFrames(loud, 24000);
  EXPECT_NEAR(20 * std::log10(double(PeakOf(steps, 20000, 23000)) / PeakOf(steps, 4000, 7000)), 20.0 / 3, 1.0);
}

// The look-ahead filters lag their upstream by the frames they hold; a seek
// starts afresh, as a new filter would; a source in error (rate 0) lets
// nothing through.
TEST(LookAheadFilters, KeepPositionsInStepAndSeekAsIfNew) {
  const std::tuple<const char*, std::function<LSoundSourceBase*(LSoundSourceRef)>, int32_t> cases[] = {
      {"peak limit", [](LSoundSourceRef s) { return new LSRCPeakLimit(s, kFullScale16); }, 3 * 228},
      {"compressor", [](LSoundSourceRef s) { return new LSRCCompressor(s, -20, kThreeToOne, 50); }, 800},
      {"high-pass", [](LSoundSourceRef s) { return new LSRCHighPass(s, 300); }, 0},
  };
  for (const auto& [what, make, held] : cases) {
    SCOPED_TRACE(what);
    LRef<TestSource> upstream = new TestSource(8000, 2, 4000, LoudChirp(8000, 4000));
    LSoundSourceRef used = make(upstream);
    ReadFrames(*used, 1000);
    EXPECT_TRUE(used->GetPosition() == 1000 && used->GetEndSample() == 4000);
    upstream->streaming = true;
    EXPECT_EQ(used->GetEndSample(), 4000 - held);
    upstream->streaming = false;
    used->Seek(2500);
    LSoundSourceRef fresh = make(new TestSource(8000, 2, 4000, LoudChirp(8000, 4000)));
    fresh->Seek(2500);
    EXPECT_TRUE(ReadFrames(*used, 1600) == ReadFrames(*fresh, 1600) && used->GetPosition() == 4100);
    LSoundSourceRef failed = make(new TestSource(0, 1, 1000, Constant(77)));
    EXPECT_TRUE(failed->IsError() && (held == 0 || PeakOf(ReadFrames(*failed, 1000)) == 0));
  }
}

}  // namespace
