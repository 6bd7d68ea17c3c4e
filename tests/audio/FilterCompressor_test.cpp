#include <gtest/gtest.h>

#include "FilterTestSource.h"
#include "audio/GainProduct.h"
#include "audio/LSRCCompressor.h"
#include "audio/LevelMeter.h"

namespace {

constexpr double kThreeToOne = 0.9261187281287935;  // 10^(-1/30)

int32_t CurveAt(const LSRCCompressor::Curve& curve, int db) {
  return curve[static_cast<size_t>(db + 128)];
}

TEST(LSRCCompressor, CurveGivesMakeUpGainBelowTheThresholdAndUnityAtZeroDb) {
  const LSRCCompressor::Curve curve = LSRCCompressor::BuildCurve(-20, kThreeToOne);
  const int32_t makeUp = static_cast<int32_t>(16777216.0 / std::pow(kThreeToOne, 20));
  EXPECT_NEAR(makeUp, 77872938, 1) << "10^(2/3) in Q24";
  EXPECT_EQ(CurveAt(curve, -128), makeUp);
  EXPECT_EQ(CurveAt(curve, -21), makeUp);
  EXPECT_EQ(CurveAt(curve, -20), makeUp);
  EXPECT_NEAR(CurveAt(curve, -19), makeUp * kThreeToOne, 1);
  EXPECT_NEAR(CurveAt(curve, 0), kUnityGain, 1);
  EXPECT_NEAR(CurveAt(curve, 30), kUnityGain * 0.1, 2) << "a third of a dB per dB";
  EXPECT_NEAR(CurveAt(curve, 127), kUnityGain * std::pow(kThreeToOne, 127), 1);

  const LSRCCompressor::Curve flat = LSRCCompressor::BuildCurve(0, kThreeToOne);
  EXPECT_EQ(CurveAt(flat, -100), kUnityGain) << "no make-up gain at a threshold of 0 dB";
  EXPECT_EQ(CurveAt(flat, 0), kUnityGain);
  EXPECT_LT(CurveAt(flat, 1), kUnityGain);

  const LSRCCompressor::Curve extreme = LSRCCompressor::BuildCurve(-128, 0.5);
  EXPECT_EQ(CurveAt(extreme, -128), 2147483647) << "capped, not wrapped";
}

TEST(LSRCCompressor, WindowIsMsTimesRateClamped) {
  EXPECT_EQ(LSRCCompressor::BlockFramesFor(50, 8000), 400);
  EXPECT_EQ(LSRCCompressor::BlockFramesFor(50, 44100), 2205);
  EXPECT_EQ(LSRCCompressor::BlockFramesFor(1050, 4000), 4200);
  EXPECT_EQ(LSRCCompressor::BlockFramesFor(5, 8000), 128);
  EXPECT_EQ(LSRCCompressor::BlockFramesFor(-50, 8000), 128);
  EXPECT_EQ(LSRCCompressor::BlockFramesFor(2147483647, 2147483647), 8192);
}

// A 1 kHz tone at 8000 Hz has whole periods in every 50 ms block, so every
// block measures the same level and the gain holds still.
TEST(LSRCCompressor, QuietSteadyToneGetsExactlyTheMakeUpGain) {
  const auto tone = Tone(4000, 1000, 8000);
  LSoundSourceRef reference = new GeneratedSource(8000, 1, 8000, tone);
  LSoundSourceRef compressed =
      new LSRCCompressor(new GeneratedSource(8000, 1, 8000, tone), -20, kThreeToOne, 50);
  const std::vector<int32_t> in = ReadFrames(*reference, 4000);
  const int db = MeanSquareDb(MeanSquareLevel(in.data(), 400));
  ASSERT_LT(db, -20);
  const int32_t makeUp = CurveAt(LSRCCompressor::BuildCurve(-20, kThreeToOne), db);
  const std::vector<int32_t> out = ReadFrames(*compressed, 4000);
  for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], GainProduct(in[i], makeUp)) << i;
  EXPECT_EQ(compressed->MaxLevel(), LSRCCompressor::kMaxLevel);
}

TEST(LSRCCompressor, LoudPassageIsTurnedDownSmoothly) {
  // Quiet for 1 s, then 20 dB louder.
  auto stepped = [](int32_t frame, int) {
    const double amplitude = frame < 8000 ? 4000.0 : 40000.0;
    return static_cast<int32_t>(amplitude * std::sin(2 * M_PI * 1000 * frame / 8000));
  };
  LSoundSourceRef compressed =
      new LSRCCompressor(new GeneratedSource(8000, 1, 24000, stepped), -40, kThreeToOne, 50);
  const std::vector<int32_t> out = ReadFrames(*compressed, 24000);
  // Away from the edges, which the look-ahead already ramps towards.
  const double quiet = PeakOf(std::vector<int32_t>(out.begin() + 4000, out.begin() + 7000));
  const double loud = PeakOf(std::vector<int32_t>(out.begin() + 20000, out.begin() + 23000));
  EXPECT_NEAR(20 * std::log10(loud / quiet), 20.0 / 3, 1.0) << "3:1 above the threshold";
}

TEST(LSRCCompressor, PositionsLagByTwoBlocksAndSeekRestarts) {
  auto* upstream = new GeneratedSource(8000, 2, 10000, Tone(4000, 1000, 8000));
  LSoundSourceRef compressed = new LSRCCompressor(upstream, -20, kThreeToOne, 50);
  EXPECT_EQ(upstream->GetPosition(), 800) << "two blocks read ahead at construction";
  EXPECT_EQ(compressed->GetPosition(), 0);
  ReadFrames(*compressed, 1000);
  EXPECT_EQ(compressed->GetPosition(), 1000);
  EXPECT_EQ(compressed->GetEndSample(), 10000);
  upstream->streaming = true;
  EXPECT_EQ(compressed->GetEndSample(), 10000 - 800);

  const std::vector<int32_t> first = ReadFrames(*compressed, 500);
  compressed->Seek(1000);
  EXPECT_EQ(compressed->GetPosition(), 1000);
  EXPECT_EQ(ReadFrames(*compressed, 500), first) << "steady tone: same output after the seek";
}

TEST(LSRCCompressor, SourceInErrorGivesZeros) {
  LSoundSourceRef failed =
      new LSRCCompressor(new GeneratedSource(0, 1, 5000, Constant(5000)), -20, kThreeToOne, 50);
  EXPECT_TRUE(failed->IsError());
  EXPECT_EQ(PeakOf(ReadFrames(*failed, 5000)), 0);
}

}  // namespace
