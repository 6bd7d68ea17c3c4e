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
    const double t = static_cast<double>(frame) / rate;
    const double span = static_cast<double>(length) / rate;
    const double top = rate * 0.49;
    const double phase = 2 * M_PI * (20 * t + (top - 20) * t * t / (2 * span)) + channel;
    const bool loud = (frame / (rate * 3 / 10)) % 2 == 1;
    const double amplitude = loud ? 2100000.0 : 1000.0 + 900000.0 * std::fabs(std::sin(t));
    return static_cast<int32_t>(amplitude * std::sin(phase));
  };
}

TEST(GainProduct, ExactAtUnityAndOtherwiseWithinTwoBelowTheExactProduct) {
  for (int32_t x = -4194304; x <= 4194303; ++x) {
    if (GainProduct(x, kUnityGain) != x) FAIL() << x;
  }
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> sample(-4194304, 4194303);
  std::uniform_int_distribution<int32_t> gain(0, 2147483647);
  for (int i = 0; i < 100000; ++i) {
    const int32_t x = sample(random), g = gain(random);
    const int64_t exact = (int64_t{x} * g) >> 24, got = GainProduct(x, g);  // rounded down
    ASSERT_TRUE(got <= exact && got >= exact - 2) << x << " * " << g << " gave " << got;
  }
  EXPECT_EQ(GainProduct(2147483647, 2147483647), 2147483647) << "saturates";
  EXPECT_EQ(GainProduct(-2147483647 - 1, 2147483647), -2147483647 - 1);
}

TEST(LSRCGain, ZeroDbIsTransparentAndOtherGainsComeFromTheTable) {
  EXPECT_EQ(GainTable::Amplitude(20), 10 * kUnityGain);
  EXPECT_EQ(GainTable::Amplitude(43), 2147483647) << "capped, not wrapped";
  EXPECT_EQ(GainTable::Power(10), 10 * kUnityGain);
  auto chirpish = [](int32_t frame, int channel) {
    return (frame * 7919 + channel * 13) % 1048573 - 524286;
  };
  TestSource reference(8000, 2, 5000, chirpish);
  const std::vector<int32_t> in = ReadFrames(reference, 5000);
  for (int db : {0, 6, -6, -127}) {
    LSoundSourceRef gain =
        new LSRCGain(new TestSource(8000, 2, 5000, chirpish), static_cast<int8_t>(db));
    const std::vector<int32_t> out = ReadFrames(*gain, 5000);
    for (size_t i = 0; i < in.size(); ++i) {
      ASSERT_EQ(out[i], db == 0 ? in[i] : GainProduct(in[i], GainTable::Amplitude(db))) << db;
    }
    EXPECT_EQ(db == -127, PeakOf(out) == 0) << db;
  }
}

// Channel 0: a DC offset that must go; 1: a 1 kHz tone that must stay;
// 2: a 20 Hz tone far below the corner.
TEST(LSRCHighPass, RemovesDcAndLowTonesAndPassesOneKilohertz) {
  auto mixed = [high = Tone(200000, 1000, 8000), low = Tone(200000, 20, 8000)](int32_t f, int c) {
    return c == 0 ? 300000 : c == 1 ? high(f, 0) : low(f, 0);
  };
  LSoundSourceRef filtered = new LSRCHighPass(new TestSource(8000, 3, 16000, mixed), 300);
  const std::vector<int32_t> out = ReadFrames(*filtered, 16000);
  int32_t peaks[3] = {};
  for (size_t i = 3 * 8000; i < out.size(); ++i) {
    peaks[i % 3] = std::max(peaks[i % 3], std::abs(out[i]));
  }
  EXPECT_LE(peaks[0], 256) << "only the rounding residue of the 8-bit state remains";
  EXPECT_NEAR(peaks[1], 200000, 200000 * 0.12);
  EXPECT_LT(peaks[2], 200000 / 8);
  EXPECT_GT(std::abs(out[0]), 290000) << "the step itself passes at first";
}

TEST(LSRCPeakLimit, NeverExceedsItsLimitOnALoudChirpAndPassesQuietAudio) {
  for (auto [rate, channels, limit] :
       {std::tuple{8000, 1, kFullScale16}, {44100, 2, kFullScale16}, {11025, 1, 100000}}) {
    const int32_t length = rate * 3;
    LSoundSourceRef limited =
        new LSRCPeakLimit(new TestSource(rate, channels, length, LoudChirp(rate, length)),
                          static_cast<uint32_t>(limit));
    const std::vector<int32_t> out = ReadFrames(*limited, length);
    const auto [low, high] = std::minmax_element(out.begin(), out.end());
    // The gain product rounds down by less than 3: -limit - 2 still
    // leaves the chain as -32767, never wrapping.
    EXPECT_LE(*high, limit) << rate;
    EXPECT_GE(*low, -limit - 2) << rate;
    EXPECT_GT(*high, limit * 9 / 10) << "limits, does not mute";
  }
  const auto tone = Tone(kFullScale16, 440, 8000);
  TestSource reference(8000, 2, 4000, tone);
  LSoundSourceRef limited = new LSRCPeakLimit(new TestSource(8000, 2, 4000, tone), kFullScale16);
  EXPECT_EQ(ReadFrames(*limited, 4100), ReadFrames(reference, 4100));
}

int32_t CurveAt(const LSRCCompressor::Curve& curve, int db) {
  return curve[static_cast<size_t>(db + 128)];
}

// A 1 kHz tone at 8000 Hz has whole periods in every 50 ms block, so every
// block measures the same level and the gain holds still.
TEST(LSRCCompressor, QuietSteadyToneGetsExactlyTheMakeUpGainOfItsTable) {
  const LSRCCompressor::Curve curve = LSRCCompressor::BuildCurve(-20, kThreeToOne);
  EXPECT_EQ(CurveAt(curve, -20), 77872938) << "10^(2/3) in Q24";
  EXPECT_EQ(CurveAt(LSRCCompressor::BuildCurve(-128, 0.5), -128), 2147483647) << "capped";

  const auto tone = Tone(4000, 1000, 8000);
  TestSource reference(8000, 1, 8000, tone);
  LSoundSourceRef compressed =
      new LSRCCompressor(new TestSource(8000, 1, 8000, tone), -20, kThreeToOne, 50);
  const std::vector<int32_t> in = ReadFrames(reference, 4000);
  const int db = MeanSquareDb(MeanSquareLevel(in.data(), 400));
  ASSERT_LT(db, -20);
  const std::vector<int32_t> out = ReadFrames(*compressed, 4000);
  for (size_t i = 0; i < in.size(); ++i) {
    ASSERT_EQ(out[i], GainProduct(in[i], CurveAt(curve, db))) << i;
  }
}

TEST(LSRCCompressor, LoudPassageIsTurnedDownByTheRatio) {
  // Quiet for 1 s, then 20 dB louder.
  auto stepped = [](int32_t frame, int) {
    return static_cast<int32_t>(SineAt(frame < 8000 ? 4000.0 : 40000.0, 1000, 8000, frame));
  };
  LSoundSourceRef compressed =
      new LSRCCompressor(new TestSource(8000, 1, 24000, stepped), -40, kThreeToOne, 50);
  const std::vector<int32_t> out = ReadFrames(*compressed, 24000);
  // Away from the edges, which the look-ahead already ramps towards.
  const double quiet = PeakOf(out, 4000, 7000);
  const double loud = PeakOf(out, 20000, 23000);
  EXPECT_NEAR(20 * std::log10(loud / quiet), 20.0 / 3, 1.0) << "3:1 above the threshold";
}

// The look-ahead filters lag their upstream by the frames they hold; a seek
// starts afresh, as a new filter would.
TEST(LookAheadFilters, KeepPositionsInStepAndSeekAsIfNew) {
  struct Case {
    const char* what;
    std::function<LSoundSourceBase*(LSoundSourceRef)> make;
    int32_t held;  // frames not yet playable while the upstream streams
  };
  const Case cases[] = {
      {"peak limit", [](LSoundSourceRef s) { return new LSRCPeakLimit(s, kFullScale16); }, 3 * 228},
      {"compressor", [](LSoundSourceRef s) { return new LSRCCompressor(s, -20, kThreeToOne, 50); },
       800},
      {"high-pass", [](LSoundSourceRef s) { return new LSRCHighPass(s, 300); }, 0},
  };
  for (const Case& c : cases) {
    LRef<TestSource> upstream = new TestSource(8000, 2, 4000, LoudChirp(8000, 4000));
    LSoundSourceRef used = c.make(upstream);
    EXPECT_EQ(used->GetPosition(), 0) << c.what;
    ReadFrames(*used, 1000);
    EXPECT_EQ(used->GetPosition(), 1000) << c.what;
    EXPECT_EQ(used->GetEndSample(), 4000) << c.what;
    upstream->streaming = true;
    EXPECT_EQ(used->GetEndSample(), 4000 - c.held) << c.what;
    upstream->streaming = false;

    used->Seek(2500);
    EXPECT_EQ(used->GetPosition(), 2500) << c.what;
    LSoundSourceRef fresh = c.make(new TestSource(8000, 2, 4000, LoudChirp(8000, 4000)));
    fresh->Seek(2500);
    EXPECT_EQ(ReadFrames(*used, 1600), ReadFrames(*fresh, 1600)) << c.what;
    EXPECT_EQ(used->GetPosition(), 4100) << c.what;

    // Rate 0 puts a source in error; what it writes must not come through.
    LSoundSourceRef failed = c.make(new TestSource(0, 1, 1000, Constant(77)));
    EXPECT_TRUE(failed->IsError()) << c.what;
    EXPECT_TRUE(c.held == 0 || PeakOf(ReadFrames(*failed, 1000)) == 0) << c.what;
  }
}

}  // namespace
