#include "audio/LCodecGsm.h"

#include <gtest/gtest.h>

#include "LCodecTestSupport.h"

using namespace codec_test;

TEST(LCodecGsmTest, DescriptorIsTheSixtyFiveByteFraming) {
  const LWaveFileFormat format = Described(LCodecGsm::kTag, 8000, 1, 0);
  EXPECT_EQ(format.BlockAlign(), 65);
  EXPECT_EQ(format.AvgBytesPerSec(), 1625u);
  EXPECT_EQ(format.BitsPerSample(), 0);
  ASSERT_EQ(format.ExtraSize(), 2);
  EXPECT_EQ(LoadLeU16(format.Extra()), 320);

  LWaveFileFormat bad = format;
  bad.SetBlockAlign(66);
  EXPECT_EQ(Decoder(bad), nullptr);
  bad = format;
  uint8_t extra[2] = {160, 0};
  bad.SetExtra(extra, 2);
  EXPECT_EQ(Decoder(bad), nullptr);
  LWaveFileFormat stereo;
  EXPECT_FALSE(LSupportedFormats::Fill({LCodecGsm::kTag, 8000, 2, 0, ""}, stereo));
}

TEST(LCodecGsmTest, SpeechBandToneSurvives) {
  const LWaveFileFormat format = Described(LCodecGsm::kTag, 8000, 1, 0);
  auto encoder = Encoder(format);
  auto decoder = Decoder(format);
  ASSERT_TRUE(encoder && decoder);
  // A voice-like tone: a 200 Hz fundamental with two harmonics.
  std::vector<int16_t> voice = Tone(8000, 1, 8000, 200, 6000);
  const std::vector<int16_t> second = Tone(8000, 1, 8000, 400, 3000);
  const std::vector<int16_t> third = Tone(8000, 1, 8000, 600, 1500);
  for (std::size_t i = 0; i < voice.size(); ++i) voice[i] += second[i] + third[i];
  const std::vector<uint8_t> coded = ConvertAll(*encoder, ToBytes(voice), 1234);
  ASSERT_EQ(coded.size(), 25u * 65);
  const std::vector<int16_t> decoded = ToSamples(ConvertAll(*decoder, coded, 100));
  ASSERT_EQ(decoded.size(), 8000u);
  // The start-up of the long-term predictor is skipped.
  EXPECT_GT(Snr(voice, decoded, 800), 25);  // about 35 dB for this periodic sound
}

TEST(LCodecGsmTest, CutOffBlockIsDropped) {
  const LWaveFileFormat format = Described(LCodecGsm::kTag, 8000, 1, 0);
  auto decoder = Decoder(format);
  ASSERT_NE(decoder, nullptr);
  const std::vector<uint8_t> data(65 * 2 + 40, 0x5A);
  EXPECT_EQ(ConvertAll(*decoder, data).size(), 2u * 640);
}
