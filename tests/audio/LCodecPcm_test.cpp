#include "audio/LCodecPcm.h"

#include <gtest/gtest.h>

#include "LCodecTestSupport.h"

using namespace codec_test;

namespace {

std::vector<uint8_t> Decode(uint16_t bits, const std::vector<uint8_t>& data) {
  auto decoder = Decoder(Described(LWaveFileFormat::kTagPcm, 8000, 1, bits));
  return decoder ? ConvertAll(*decoder, data) : std::vector<uint8_t>{};
}

}  // namespace

TEST(LCodecPcmTest, WideSamplesRoundTripExactly) {
  std::vector<int16_t> ramp;
  for (int v = -32768; v <= 32767; v += 97) ramp.push_back(static_cast<int16_t>(v));
  ramp.push_back(32767);
  for (uint16_t bits : {24, 32}) {
    const LWaveFileFormat format = Described(LWaveFileFormat::kTagPcm, 44100, 1, bits);
    EXPECT_EQ(format.BlockAlign(), bits / 8);
    EXPECT_EQ(format.AvgBytesPerSec(), 44100u * bits / 8);
    auto encoder = Encoder(format);
    auto decoder = Decoder(format);
    ASSERT_TRUE(encoder && decoder);
    const std::vector<uint8_t> wide = ConvertAll(*encoder, ToBytes(ramp), 1000);
    ASSERT_EQ(wide.size(), ramp.size() * bits / 8);
    // Left-justified: the top two bytes of each container are the sample.
    EXPECT_EQ(LoadLe16(&wide[bits / 8 - 2]), -32768);
    EXPECT_EQ(ToSamples(ConvertAll(*decoder, wide, 777)), ramp);
  }
}

TEST(LCodecPcmTest, NarrowingRoundsAndSaturates) {
  // 24-bit: 0x000080 rounds up to 1, 0x7FFFFF stays 32767, 0x800000 is -32768.
  EXPECT_EQ(ToSamples(Decode(24, {0x80, 0x00, 0x00, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80})),
            (std::vector<int16_t>{1, 32767, -32768}));
  EXPECT_EQ(ToSamples(Decode(32, {0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})),
            (std::vector<int16_t>{0, 32767}));
  EXPECT_EQ(ToSamples(Decode(8, {0x00, 0x80, 0xFF})), (std::vector<int16_t>{-32768, 0, 32512}));
}

TEST(LCodecPcmTest, PartialFrameIsKeptThenDropped) {
  auto decoder = Decoder(Described(LWaveFileFormat::kTagPcm, 8000, 2, 24));
  ASSERT_NE(decoder, nullptr);
  const std::vector<uint8_t> data(6 * 3 + 4, 0x11);  // three frames and a bit
  std::vector<uint8_t> out(64);
  uint32_t used = 0;
  uint32_t produced = 0;
  ASSERT_TRUE(decoder->Convert(data.data(), 22, used, out.data(), 64, produced,
                               LCodecStream::Mode::kBlockAlign));
  EXPECT_EQ(used, 18u);
  EXPECT_EQ(produced, 12u);
  ASSERT_TRUE(decoder->Convert(data.data() + 18, 4, used, out.data(), 64, produced,
                               LCodecStream::Mode::kEnd));
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(produced, 0u);
}

TEST(LCodecPcmTest, RejectsMismatchedBlockAlign) {
  LWaveFileFormat format = Described(LWaveFileFormat::kTagPcm, 8000, 2, 24);
  format.SetBlockAlign(8);  // 24 bits in 32-bit containers are not plain PCM
  EXPECT_EQ(Decoder(format), nullptr);
  format.SetBitsPerSample(40);
  EXPECT_EQ(Decoder(format), nullptr);
}
