#include "audio/LCodecG711.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "LCodecTestSupport.h"

using namespace codec_test;

TEST(LCodecG711Test, KnownTablePoints) {
  EXPECT_EQ(LCodecG711::LinearFromMuLaw(0xFF), 0);
  EXPECT_EQ(LCodecG711::LinearFromMuLaw(0x7F), 0);
  EXPECT_EQ(LCodecG711::LinearFromMuLaw(0x80), 32124);
  EXPECT_EQ(LCodecG711::LinearFromMuLaw(0x00), -32124);
  EXPECT_EQ(LCodecG711::LinearFromMuLaw(0xF0), 120);
  EXPECT_EQ(LCodecG711::LinearFromALaw(0xD5), 8);
  EXPECT_EQ(LCodecG711::LinearFromALaw(0x55), -8);
  EXPECT_EQ(LCodecG711::LinearFromALaw(0xAA), 32256);
  EXPECT_EQ(LCodecG711::LinearFromALaw(0x2A), -32256);

  EXPECT_EQ(LCodecG711::MuLawFromLinear(0), 0xFF);
  EXPECT_EQ(LCodecG711::MuLawFromLinear(-1), 0x7F);
  EXPECT_EQ(LCodecG711::MuLawFromLinear(32767), 0x80);
  EXPECT_EQ(LCodecG711::MuLawFromLinear(-32768), 0x00);
  EXPECT_EQ(LCodecG711::MuLawFromLinear(1000), 0xCE);
  EXPECT_EQ(LCodecG711::ALawFromLinear(0), 0xD5);
  EXPECT_EQ(LCodecG711::ALawFromLinear(-1), 0x55);
  EXPECT_EQ(LCodecG711::ALawFromLinear(32767), 0xAA);
  EXPECT_EQ(LCodecG711::ALawFromLinear(-32768), 0x2A);
  EXPECT_EQ(LCodecG711::ALawFromLinear(1000), 0xFA);
}

TEST(LCodecG711Test, EveryCodeSurvivesDecodeAndEncode) {
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<uint8_t>(code);
    EXPECT_EQ(LCodecG711::ALawFromLinear(LCodecG711::LinearFromALaw(c)), c) << code;
    // Mu-law has a negative zero (0x7F) that comes back as the positive one.
    EXPECT_EQ(LCodecG711::MuLawFromLinear(LCodecG711::LinearFromMuLaw(c)), c == 0x7F ? 0xFF : c)
        << code;
  }
}

TEST(LCodecG711Test, QuantisationErrorStaysWithinHalfAStep) {
  for (int v = -32768; v <= 32767; ++v) {
    const auto x = static_cast<int16_t>(v);
    const int a = LCodecG711::LinearFromALaw(LCodecG711::ALawFromLinear(x));
    const int u = LCodecG711::LinearFromMuLaw(LCodecG711::MuLawFromLinear(x));
    // Steps double per segment: half a step is at most 1/32 of the value
    // plus the finest step; mu-law also clips above 32635.
    const int bound = std::abs(v) / 32 + 16;
    ASSERT_LE(std::abs(a - v), bound) << v;
    ASSERT_LE(std::abs(u - v), std::abs(v) > 32000 ? 660 : bound) << v;
    ASSERT_EQ(a < 0, v < 0) << v;
  }
}

TEST(LCodecG711Test, StereoStreamsBothWays) {
  for (uint16_t tag : {LCodecG711::kTagALaw, LCodecG711::kTagMuLaw}) {
    const LWaveFileFormat format = Described(tag, 8000, 2, 8);
    EXPECT_EQ(format.BlockAlign(), 2);
    EXPECT_EQ(format.AvgBytesPerSec(), 16000u);
    auto encoder = Encoder(format);
    auto decoder = Decoder(format);
    ASSERT_TRUE(encoder && decoder);
    const std::vector<int16_t> tone = Tone(8000, 2, 4000, 440);
    const std::vector<uint8_t> coded = ConvertAll(*encoder, ToBytes(tone), 1001);
    ASSERT_EQ(coded.size(), tone.size());
    EXPECT_EQ(coded[1], tag == LCodecG711::kTagALaw ? 0xD5 : 0xFF);  // right starts at 0
    const std::vector<int16_t> decoded = ToSamples(ConvertAll(*decoder, coded, 333));
    ASSERT_EQ(decoded.size(), tone.size());
    EXPECT_GT(Snr(tone, decoded), 30);
  }
}

TEST(LCodecG711Test, RejectsOddDescriptors) {
  LWaveFileFormat format = Described(LCodecG711::kTagALaw, 8000, 1, 8);
  format.SetBlockAlign(2);
  EXPECT_EQ(Decoder(format), nullptr);
  format = Described(LCodecG711::kTagMuLaw, 8000, 1, 8);
  format.SetBitsPerSample(16);
  EXPECT_EQ(Decoder(format), nullptr);
}
