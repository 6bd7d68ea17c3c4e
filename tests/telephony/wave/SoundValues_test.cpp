#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/LSoundSourceBase.h"
#include "audio/TestSources.h"
#include "telephony/wave/LMixer.h"
#include "telephony/wave/LSoundLevels.h"
#include "telephony/wave/LSoundTime.h"

namespace {

TEST(LSoundLevelsTest, PlayerLevelsAreMeanSquareAgainstTheFullScaleReference) {
  LSoundLevels levels;
  std::vector<int32_t> square;
  for (int i = 0; i < 800; ++i) square.push_back(i % 2 ? kFullScale16 : -kFullScale16);
  levels.MeasureMeanSquare(square.data(), 800, 1);
  EXPECT_EQ(15, levels.level[0]);  // 16383^2 / 8388626 = 32.0 -> 15.05 dB
  std::vector<int32_t> sine;
  for (int i = 0; i < 800; ++i) sine.push_back(static_cast<int32_t>(std::lround(SineAt(kFullScale16, 100, 8000, i))));
  levels.MeasureMeanSquare(sine.data(), 800, 1);
  EXPECT_EQ(12, levels.level[0]);  // half the square's power
  const std::vector<int32_t> silence(1600, 0);
  levels.MeasureMeanSquare(silence.data(), 800, 2);
  EXPECT_EQ(std::tuple(2, LSoundLevels::kNoSignal, 129), std::tuple(levels.channels, levels.level[1],
                                                                    static_cast<uint8_t>(levels.level[1])));
}

TEST(LSoundLevelsTest, RecorderLevelsArePeaksAgainst131072) {
  // 524288 is 16-bit full scale.
  EXPECT_EQ((std::vector<int>{0, 12, -6, -127, -102}),
            (std::vector<int>{PeakDb(131072), PeakDb(524288), PeakDb(65536), PeakDb(0), PeakDb(1)}));
  // Stereo: the block level is the louder of the first two channels.
  const std::vector<int32_t> frames = {100, -131072, -16, 4000};
  LSoundLevels levels;
  levels.MeasurePeak(frames.data(), 2, 2);
  EXPECT_EQ(std::tuple(-62, 0, 0), std::tuple(levels.level[0], levels.level[1], levels.BlockLevel()));
  EXPECT_EQ(LSoundLevels::kNoSignal, LSoundLevels{}.BlockLevel());
}

TEST(LSoundTimeTest, TextFormsAtEveryPrecision) {
  LSoundTime time;
  ASSERT_TRUE(time.SetSamples(8000LL * 3723 + 3654, 8000));  // 1:02:03.45675
  EXPECT_EQ(3723456, time.Milliseconds());
  using P = LSoundTime::Precision;
  EXPECT_EQ((std::vector<std::string>{"1:02:03.456", "1:02:03.45", "1:02:03.4", "1:02:03"}),
            (std::vector<std::string>{time.Text(), time.Text(P::kHundredths), time.Text(P::kTenths),
                                      time.Text(P::kSeconds)}));
  ASSERT_TRUE(time.SetSamples(-11025, 22050));
  EXPECT_EQ("-0:00:00.500", time.Text());
  EXPECT_FALSE(time.SetSamples(100, 0));
  EXPECT_EQ(22050, time.SampleRate());
}

TEST(LSoundTimeTest, ParsingFieldsFractionSignAndNoise) {
  for (const auto& [text, ms] : {std::pair{"1:02:03.456", 3723456}, {"1:30", 90000}, {"1.5", 1500},
                                 {"1.05", 1050}, {"1.2345", 1234}, {"2.5-", -2500}, {" 1 m: 01 s", 61000},
                                 {"", 0}})
    EXPECT_EQ(ms, LSoundTime::ParseMs(text)) << text;
  EXPECT_GT(LSoundTime::ParseMs(std::string(60, '9')), 0);  // saturates, never wraps
}

TEST(LMixerTest, VolumeRule) {
  for (const auto& [db, volume] : {std::pair{-36, 0u}, {-100, 0u}, {-35, 1424u}, {0, 36u * 1424}, {10, 65504u},
                                   {11, 65535u}})
    EXPECT_EQ(volume, LMixer::VolumeForDb(db)) << db;
}

}  // namespace
