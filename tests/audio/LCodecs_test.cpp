#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "LCodecTestSupport.h"
#include "WaveTestFiles.h"
#include "audio/LCodecG711.h"
#include "audio/LCodecGsm.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LCodecMp3.h"
#include "audio/LCodecMsAdpcm.h"
#include "support/TempDir.h"

using namespace codec_test;

namespace {

TEST(LCodecG711Test, KnownTablePointsAndRoundTrips) {
  // Linear value, its codes, and what the codes decode to.
  for (auto [linear, mu, a, fromMu, fromA] :
       {std::tuple{0, 0xFF, 0xD5, 0, 8}, {-1, 0x7F, 0x55, 0, -8}, {1000, 0xCE, 0xFA, 988, 1008},
        {32767, 0x80, 0xAA, 32124, 32256}, {-32768, 0x00, 0x2A, -32124, -32256}}) {
    EXPECT_EQ(std::tuple(LCodecG711::MuLawFromLinear(static_cast<int16_t>(linear)),
                         LCodecG711::ALawFromLinear(static_cast<int16_t>(linear)),
                         LCodecG711::LinearFromMuLaw(static_cast<uint8_t>(mu)),
                         LCodecG711::LinearFromALaw(static_cast<uint8_t>(a))),
              std::tuple(mu, a, fromMu, fromA)) << linear;
  }
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<uint8_t>(code);
    EXPECT_EQ(LCodecG711::ALawFromLinear(LCodecG711::LinearFromALaw(c)), c) << code;
    // Mu-law has a negative zero (0x7F) that comes back as the positive one.
    EXPECT_EQ(LCodecG711::MuLawFromLinear(LCodecG711::LinearFromMuLaw(c)), c == 0x7F ? 0xFF : c);
  }
}

// A voice-like sound, a 200 Hz fundamental with two harmonics (for stereo
// a fifth above on the right), through each codec and back in whole blocks.
TEST(LCodecTest, VoiceSurvivesWithGoodSignalToNoise) {
  // Measured: 38, 37, 34, 31, 42, 37 and 35 dB; a codec fault costs far more.
  for (auto [tag, channels, bits, minSnr] :
       {std::tuple<uint16_t, int, uint16_t, double>{LCodecG711::kTagALaw, 2, 8, 35},
        {LCodecG711::kTagMuLaw, 2, 8, 34}, {LCodecImaAdpcm::kTag, 1, 4, 30},
        {LCodecImaAdpcm::kTag, 2, 4, 28}, {LCodecMsAdpcm::kTag, 1, 4, 38},
        {LCodecMsAdpcm::kTag, 2, 4, 34}, {LCodecGsm::kTag, 1, 0, 31}}) {
    SCOPED_TRACE(std::to_string(tag) + " " + std::to_string(channels));
    const LWaveFileFormat format = Described(tag, 8000, static_cast<uint16_t>(channels), bits);
    std::vector<int16_t> voice = ToneSamples(8000, channels, 7900, 200, 6000);
    const std::vector<int16_t> second = ToneSamples(8000, channels, 7900, 400, 3000),
                               third = ToneSamples(8000, channels, 7900, 600, 1500);
    for (std::size_t i = 0; i < voice.size(); ++i) voice[i] += second[i] + third[i];
    const std::vector<uint8_t> coded = ConvertAll(*Encoder(format), ToBytes(voice), 3000);
    const std::vector<int16_t> decoded = ToSamples(ConvertAll(*Decoder(format), coded, 700));
    const uint32_t perBlock = format.ExtraSize() >= 2 ? LoadLeU16(format.Extra()) : 1;
    const std::size_t blocks = (7900 + perBlock - 1) / perBlock;
    ASSERT_TRUE(coded.size() == blocks * format.BlockAlign() && decoded.size() == blocks * perBlock * channels);
    EXPECT_GT(Snr(voice, decoded, 800), minSnr);  // past the GSM predictor's start-up
  }
}

TEST(LCodecTest, WidePcmNarrowsWithRoundingAndSaturation) {
  auto decode = [](uint16_t bits, const std::vector<uint8_t>& data) {
    return ToSamples(ConvertAll(*Decoder(Described(LWaveFileFormat::kTagPcm, 8000, 1, bits)), data));
  };
  // 24-bit: 0x000080 rounds up to 1, 0x7FFFFF stays 32767, 0x800000 is -32768.
  EXPECT_EQ(decode(24, {0x80, 0x00, 0x00, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80}),
            (std::vector<int16_t>{1, 32767, -32768}));
  EXPECT_EQ(decode(32, {0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), (std::vector<int16_t>{0, 32767}));
  EXPECT_EQ(decode(8, {0x00, 0x80, 0xFF}), (std::vector<int16_t>{-32768, 0, 32512}));
}

// 16 kbit/s at 8000 Hz: unpadded frames of 144 bytes, which sox decodes
// back to the tone.
TEST(LCodecMp3Test, WholeFramesOfTheChosenRateThatSoxDecodes) {
  auto encoder = Encoder(Described(LCodecMp3::kTag, 8000, 1, 0));
  const std::vector<int16_t> tone = ToneSamples(8000, 1, 16000, 440);
  const std::vector<uint8_t> mp3 = ConvertAll(*encoder, ToBytes(tone), 3000);
  ASSERT_EQ(mp3.size() % 144, 0u);
  for (std::size_t at = 0; at < mp3.size(); at += 144)
    ASSERT_TRUE(mp3[at] == 0xFF && (mp3[at + 1] & 0xE0) == 0xE0 && mp3[at + 2] >> 4 == 2) << at;
  // Two seconds are 27.8 frames of 576 samples, plus the encoder's delay.
  EXPECT_TRUE(mp3.size() / 144 >= 28u && mp3.size() / 144 <= 32u) << mp3.size();
  EXPECT_EQ(ConvertAll(*encoder, ToBytes(tone), 3000), mp3) << "the end resets the stream";

  if (std::system("sox -h 2>/dev/null | grep -qw mp3") != 0) GTEST_SKIP() << "no sox with MP3";
  TempDir dir;
  wave_test::WriteBytes(dir / "tone.mp3", std::string(mp3.begin(), mp3.end()));
  ASSERT_EQ(std::system(("sox -q " + (dir / "tone.mp3") + " -t raw -e signed -b 16 " + (dir / "t.raw")).c_str()), 0);
  const std::string bytes = FileText(dir / "t.raw");
  const std::vector<int16_t> decoded = ToSamples({bytes.begin(), bytes.end()});
  ASSERT_GE(decoded.size(), tone.size());
  // Past the codec delay the tone must come back clearly (about 26 dB).
  double best = -100;
  for (std::ptrdiff_t delay = 0; delay < 1700; ++delay)
    best = std::max(best, Snr({tone.begin(), tone.begin() + 6000}, {decoded.begin() + delay, decoded.end()}, 2000));
  EXPECT_GT(best, 20);
}

}  // namespace
