#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/LSoundSourceBase.h"
#include "telephony/wave/LMixer.h"
#include "telephony/wave/LSoundLevels.h"
#include "telephony/wave/LSoundTime.h"

namespace {

std::vector<int32_t> Sine(double amplitude, int frames) {
  std::vector<int32_t> samples;
  for (int i = 0; i < frames; ++i) {
    samples.push_back(static_cast<int32_t>(std::lround(amplitude * std::sin(2 * M_PI * i / 80))));
  }
  return samples;
}

TEST(LSoundLevelsTest, PlayerLevelsAreMeanSquareAgainstTheFullScaleReference) {
  LSoundLevels levels;
  std::vector<int32_t> square;
  for (int i = 0; i < 800; ++i) square.push_back(i % 2 ? kFullScale16 : -kFullScale16);
  levels.MeasureMeanSquare(square.data(), 800, 1);
  EXPECT_EQ(15, levels.level[0]);  // 16383^2 / 8388626 = 32.0 -> 15.05 dB
  const std::vector<int32_t> sine = Sine(kFullScale16, 800);
  levels.MeasureMeanSquare(sine.data(), 800, 1);
  EXPECT_EQ(12, levels.level[0]);  // half the square's power
  const std::vector<int32_t> silence(1600, 0);
  levels.MeasureMeanSquare(silence.data(), 800, 2);
  EXPECT_EQ(2, levels.channels);
  EXPECT_EQ(LSoundLevels::kNoSignal, levels.level[1]);
  EXPECT_EQ(129, static_cast<uint8_t>(levels.level[1]));
}

TEST(LSoundLevelsTest, RecorderLevelsArePeaksAgainst131072) {
  EXPECT_EQ(0, PeakDb(131072));
  EXPECT_EQ(12, PeakDb(524288));  // 16-bit full scale
  EXPECT_EQ(-6, PeakDb(65536));
  EXPECT_EQ(-127, PeakDb(0));
  EXPECT_EQ(-102, PeakDb(1));
  // Stereo: the block level is the louder of the first two channels.
  const std::vector<int32_t> frames = {100, -131072, -16, 4000};
  LSoundLevels levels;
  levels.MeasurePeak(frames.data(), 2, 2);
  EXPECT_EQ(-62, levels.level[0]);
  EXPECT_EQ(0, levels.level[1]);
  EXPECT_EQ(0, levels.BlockLevel());
  EXPECT_EQ(LSoundLevels::kNoSignal, LSoundLevels{}.BlockLevel());
}

TEST(LSoundTimeTest, TextFormsAtEveryPrecision) {
  LSoundTime time;
  ASSERT_TRUE(time.SetSamples(8000LL * 3723 + 3654, 8000));  // 1:02:03.45675
  EXPECT_EQ(3723456, time.Milliseconds());
  EXPECT_EQ("1:02:03.456", time.Text());
  EXPECT_EQ("1:02:03.45", time.Text(LSoundTime::Precision::kHundredths));
  EXPECT_EQ("1:02:03.4", time.Text(LSoundTime::Precision::kTenths));
  EXPECT_EQ("1:02:03", time.Text(LSoundTime::Precision::kSeconds));
  ASSERT_TRUE(time.SetSamples(-11025, 22050));
  EXPECT_EQ("-0:00:00.500", time.Text());
  EXPECT_FALSE(time.SetSamples(100, 0));
  EXPECT_EQ(22050, time.SampleRate());
}

TEST(LSoundTimeTest, ParsingFieldsFractionSignAndNoise) {
  EXPECT_EQ(3723456, LSoundTime::ParseMs("1:02:03.456"));
  EXPECT_EQ(90000, LSoundTime::ParseMs("1:30"));
  EXPECT_EQ(1500, LSoundTime::ParseMs("1.5"));
  EXPECT_EQ(1050, LSoundTime::ParseMs("1.05"));
  EXPECT_EQ(1234, LSoundTime::ParseMs("1.2345"));
  EXPECT_EQ(-2500, LSoundTime::ParseMs("2.5-"));
  EXPECT_EQ(61000, LSoundTime::ParseMs(" 1 m: 01 s"));
  EXPECT_EQ(0, LSoundTime::ParseMs(""));
  EXPECT_GT(LSoundTime::ParseMs(std::string(60, '9')), 0);  // saturates, never wraps
  LSoundTime time;
  time.SetSamples(8000LL * 3723 + 3654, 8000);
  EXPECT_EQ(time.Milliseconds(), LSoundTime::ParseMs(time.Text()));
}

TEST(LMixerTest, VolumeRuleAndNoOpControls) {
  EXPECT_EQ(0u, LMixer::VolumeForDb(-36));
  EXPECT_EQ(0u, LMixer::VolumeForDb(-100));
  EXPECT_EQ(1424u, LMixer::VolumeForDb(-35));
  EXPECT_EQ(36u * 1424, LMixer::VolumeForDb(0));
  EXPECT_EQ(65504u, LMixer::VolumeForDb(10));
  EXPECT_EQ(65535u, LMixer::VolumeForDb(11));
  EXPECT_EQ(0, LMixer::GetInputChannelCount(0));
  EXPECT_EQ("", LMixer::GetInputChannelName(0, 0));
  EXPECT_EQ("", LMixer::GetInputChannelName(-1, -1));
  EXPECT_FALSE(LMixer::GetInputChannelName(0, -1).empty());
}

}  // namespace
