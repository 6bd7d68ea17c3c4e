#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Mp3TestSupport.h"
#include "support/TempDir.h"

namespace {

struct Stream {
  const char* name;
  int rate, channels;
  const char* lame;
};

// MPEG-1, MPEG-2 and MPEG-2.5 rates; mono, stereo and joint stereo;
// constant and variable bit rates.
constexpr Stream kStreams[] = {
    {"mpeg1_44k_joint_cbr128", 44100, 2, "-b 128 -m j"},
    {"mpeg1_48k_stereo_cbr192", 48000, 2, "-b 192 -m s"},
    {"mpeg1_32k_mono_cbr64", 32000, 1, "-b 64 -m m"},
    {"mpeg1_44k_joint_vbr", 44100, 2, "-V 2 -m j"},
    {"mpeg2_22k_mono_cbr32", 22050, 1, "-b 32 -m m"},
    {"mpeg2_24k_joint_vbr", 24000, 2, "-V 5 -m j"},
    {"mpeg2_16k_stereo_cbr48", 16000, 2, "-b 48 -m s"},
    {"mpeg25_8k_mono_cbr8", 8000, 1, "-b 8 -m m"},
    {"mpeg25_11k_joint_cbr32", 11025, 2, "-b 32 -m j --resample 11.025"},
    {"mpeg25_12k_mono_vbr", 12000, 1, "-V 4 -m m"},
};

// The full-accuracy bar relative to full scale 1.0.
const double kRmsLimit = std::pow(2.0, -15) / std::sqrt(12.0);
const double kMaxLimit = std::pow(2.0, -14);

class Mp3AccuracyTest : public ::testing::TestWithParam<Stream> {};

TEST_P(Mp3AccuracyTest, MatchesReferenceDecoderSampleBySample) {
  if (!mp3test::ToolsPresent()) GTEST_SKIP() << "sox, lame or mpg123 missing";
  const Stream& stream = GetParam();
  TempDir dir;
  ASSERT_TRUE(mp3test::MakeSignal(dir / "in.wav", stream.rate, stream.channels));
  ASSERT_TRUE(mp3test::Encode(dir / "in.wav", dir / "in.mp3", stream.lame));
  const std::vector<float> reference = mp3test::Reference(dir / "in.mp3", dir / "ref.raw");
  LSoundSourceRef source = LMP3Source::Open(dir / "in.mp3");
  ASSERT_TRUE(!source->IsError() && source->SampleRate() == stream.rate && source->Channels() == stream.channels);
  const std::vector<int32_t> ours = mp3test::DecodeAll(*source);
  // The last 128 bytes of a file are never decoded, so ours may stop a frame
  // or two early; both put every frame at the same sample position.
  ASSERT_LE(ours.size(), reference.size());
  ASSERT_GT(ours.size(), reference.size() * 3 / 4);
  double squares = 0, largest = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const double difference = ours[i] / 524288.0 - reference[i];
    squares += difference * difference;
    largest = std::max(largest, std::abs(difference));
  }
  const double rms = std::sqrt(squares / static_cast<double>(ours.size()));
  EXPECT_TRUE(rms < kRmsLimit && largest < kMaxLimit)
      << "rms " << rms / kRmsLimit << " and max " << largest / kMaxLimit << " of the bar";
}

INSTANTIATE_TEST_SUITE_P(Streams, Mp3AccuracyTest, ::testing::ValuesIn(kStreams),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
