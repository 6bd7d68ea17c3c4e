#include <gtest/gtest.h>

#include <random>

#include "LCodecTestSupport.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LCodecMsAdpcm.h"

using namespace codec_test;

namespace {

struct Case {
  uint16_t tag;
  uint16_t channels;
};

std::vector<int16_t> RoundTrip(const LWaveFileFormat& format, const std::vector<int16_t>& pcm,
                               std::size_t* codedBytes = nullptr) {
  auto encoder = Encoder(format);
  auto decoder = Decoder(format);
  if (!encoder || !decoder) return {};
  const std::vector<uint8_t> coded = ConvertAll(*encoder, ToBytes(pcm), 3000);
  if (codedBytes != nullptr) *codedBytes = coded.size();
  return ToSamples(ConvertAll(*decoder, coded, 700));
}

}  // namespace

TEST(LCodecAdpcmTest, DescriptorsMatchTheCommonLayout) {
  const LWaveFileFormat ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  EXPECT_EQ(ima.BlockAlign(), 256);
  EXPECT_EQ(ima.AvgBytesPerSec(), 4055u);
  ASSERT_EQ(ima.ExtraSize(), 2);
  EXPECT_EQ(LoadLeU16(ima.Extra()), 505);
  const LWaveFileFormat imaStereo = Described(LCodecImaAdpcm::kTag, 44100, 2, 4);
  EXPECT_EQ(imaStereo.BlockAlign(), 2048);
  EXPECT_EQ(LoadLeU16(imaStereo.Extra()), 2041);

  const LWaveFileFormat ms = Described(LCodecMsAdpcm::kTag, 8000, 1, 4);
  EXPECT_EQ(ms.BlockAlign(), 256);
  EXPECT_EQ(ms.AvgBytesPerSec(), 4096u);
  ASSERT_EQ(ms.ExtraSize(), 32);
  EXPECT_EQ(LoadLeU16(ms.Extra()), 500);
  EXPECT_EQ(LoadLeU16(ms.Extra() + 2), 7);
  EXPECT_EQ(LoadLe16(ms.Extra() + 4 + 4 * 5), 460);
  EXPECT_EQ(LoadLe16(ms.Extra() + 6 + 4 * 6), -232);
  EXPECT_EQ(Described(LCodecMsAdpcm::kTag, 22050, 2, 4).BlockAlign(), 1024);
}

TEST(LCodecAdpcmTest, TonesSurviveWithGoodSignalToNoise) {
  for (const Case c : {Case{LCodecImaAdpcm::kTag, 1}, Case{LCodecImaAdpcm::kTag, 2},
                       Case{LCodecMsAdpcm::kTag, 1}, Case{LCodecMsAdpcm::kTag, 2}}) {
    const LWaveFileFormat format = Described(c.tag, 8000, c.channels, 4);
    const std::vector<int16_t> tone = Tone(8000, c.channels, 7900, 440);
    std::size_t codedBytes = 0;
    const std::vector<int16_t> decoded = RoundTrip(format, tone, &codedBytes);
    const uint32_t perBlock = LoadLeU16(format.Extra());
    const std::size_t blocks = (7900 + perBlock - 1) / perBlock;
    EXPECT_EQ(codedBytes, blocks * format.BlockAlign());
    // The last block is padded with silence (for both codecs the tone ends
    // inside a block).
    ASSERT_EQ(decoded.size(), blocks * perBlock * c.channels) << c.tag;
    // About 26 dB for IMA and 37 dB for Microsoft ADPCM with its predictor
    // choice; a codec fault costs far more.
    EXPECT_GT(Snr(tone, decoded), c.tag == LCodecImaAdpcm::kTag ? 23 : 33)
        << c.tag << " " << c.channels;
    EXPECT_LT(std::abs(decoded.back()), 48) << c.tag << " " << c.channels;
  }
}

TEST(LCodecAdpcmTest, ChannelsStaySeparate) {
  for (uint16_t tag : {LCodecImaAdpcm::kTag, LCodecMsAdpcm::kTag}) {
    std::vector<int16_t> pcm = Tone(8000, 2, 2000, 300, 20000);
    for (std::size_t i = 1; i < pcm.size(); i += 2) pcm[i] = 0;
    const std::vector<int16_t> decoded = RoundTrip(Described(tag, 8000, 2, 4), pcm);
    ASSERT_GE(decoded.size(), pcm.size());
    int rightPeak = 0;
    for (std::size_t i = 1; i < pcm.size(); i += 2)
      rightPeak = std::max(rightPeak, std::abs(decoded[i]));
    EXPECT_LT(rightPeak, 64) << tag;
  }
}

TEST(LCodecAdpcmTest, ImaBlockHeaderCarriesFirstSampleAndStepIndex) {
  auto encoder = Encoder(Described(LCodecImaAdpcm::kTag, 8000, 1, 4));
  ASSERT_NE(encoder, nullptr);
  const std::vector<uint8_t> coded = ConvertAll(*encoder, ToBytes(Tone(8000, 1, 1010, 500, 20000)));
  ASSERT_EQ(coded.size(), 512u);
  EXPECT_EQ(LoadLe16(&coded[0]), 0);
  EXPECT_EQ(coded[2], 0);  // a fresh stream starts at the smallest step
  EXPECT_EQ(coded[3], 0);
  const int16_t second = Tone(8000, 1, 1010, 500, 20000)[505];
  EXPECT_EQ(LoadLe16(&coded[256]), second);
  EXPECT_GT(coded[258], 20);  // the step carried over from a loud block
}

TEST(LCodecAdpcmTest, CutOffBlockYieldsItsCompleteSamples) {
  const LWaveFileFormat format = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  auto encoder = Encoder(format);
  auto decoder = Decoder(format);
  ASSERT_TRUE(encoder && decoder);
  const std::vector<uint8_t> coded = ConvertAll(*encoder, ToBytes(Tone(8000, 1, 505, 440)));
  const std::vector<uint8_t> whole = ConvertAll(*decoder, coded);
  // 4 header bytes and 10 whole words: 1 + 80 samples.
  const std::vector<uint8_t> part = ConvertAll(*decoder, {coded.begin(), coded.begin() + 46});
  ASSERT_EQ(part.size(), 81u * 2);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin()));
  EXPECT_TRUE(ConvertAll(*decoder, {coded.begin(), coded.begin() + 3}).empty());

  const LWaveFileFormat msFormat = Described(LCodecMsAdpcm::kTag, 8000, 2, 4);
  auto msEncoder = Encoder(msFormat);
  auto msDecoder = Decoder(msFormat);
  const std::vector<uint8_t> msCoded = ConvertAll(*msEncoder, ToBytes(Tone(8000, 2, 1012, 440)));
  const std::vector<uint8_t> msWhole = ConvertAll(*msDecoder, msCoded);
  // 14 header bytes and 5 code bytes: 2 + 5 frames.
  const std::vector<uint8_t> msPart =
      ConvertAll(*msDecoder, {msCoded.begin(), msCoded.begin() + 19});
  ASSERT_EQ(msPart.size(), 7u * 4);
  EXPECT_TRUE(std::equal(msPart.begin(), msPart.end(), msWhole.begin()));
}

TEST(LCodecAdpcmTest, BadDescriptorsAreRefused) {
  LWaveFileFormat ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  uint8_t extra[2];
  StoreLe16(extra, 506);  // more samples than 256 bytes hold
  ima.SetExtra(extra, 2);
  EXPECT_EQ(Decoder(ima), nullptr);
  ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  ima.SetBlockAlign(3);
  EXPECT_EQ(Decoder(ima), nullptr);
  ima = Described(LCodecImaAdpcm::kTag, 8000, 1, 4);
  ima.SetChannels(0);
  EXPECT_EQ(LCodecImaAdpcm::Open(ima, true), nullptr);
  ima.SetChannels(3);
  EXPECT_EQ(LCodecImaAdpcm::Open(ima, true), nullptr);

  LWaveFileFormat ms = Described(LCodecMsAdpcm::kTag, 8000, 1, 4);
  std::vector<uint8_t> msExtra(ms.Extra(), ms.Extra() + ms.ExtraSize());
  msExtra[2] = 0;  // no coefficients
  ms.SetExtra(msExtra.data(), static_cast<uint16_t>(msExtra.size()));
  EXPECT_EQ(Decoder(ms), nullptr);
  StoreLe16(&msExtra[2], 257);
  msExtra.resize(4 + 4 * 257);
  ms.SetExtra(msExtra.data(), static_cast<uint16_t>(msExtra.size()));
  EXPECT_EQ(Decoder(ms), nullptr);
  StoreLe16(&msExtra[2], 8);  // claims more pairs than the extra bytes hold
  ms.SetExtra(msExtra.data(), 32);
  EXPECT_EQ(Decoder(ms), nullptr);
  ms = Described(LCodecMsAdpcm::kTag, 8000, 1, 4);
  ms.SetBlockAlign(6);
  EXPECT_EQ(Decoder(ms), nullptr);
}

TEST(LCodecAdpcmTest, GarbageDecodesWithinRange) {
  std::mt19937 random(7);
  std::vector<uint8_t> garbage(256 * 9 + 77);
  for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
  garbage[2] = 200;  // step index far past the table
  garbage[0] = 99;   // predictor number past the coefficient table
  for (uint16_t tag : {LCodecImaAdpcm::kTag, LCodecMsAdpcm::kTag}) {
    for (uint16_t channels : {1, 2}) {
      auto decoder = Decoder(Described(tag, 8000, channels, 4));
      ASSERT_NE(decoder, nullptr);
      const std::vector<uint8_t> out = ConvertAll(*decoder, garbage, 100);
      EXPECT_GT(out.size(), 9u * 2 * 400);
    }
  }
}
