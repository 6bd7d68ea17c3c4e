#include "audio/LCodecMp3.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "LCodecTestSupport.h"

using namespace codec_test;

namespace {

// Frame length from an MPEG audio frame header (Layer III only).
uint32_t FrameBytes(const uint8_t* h) {
  static constexpr uint32_t kMpeg1[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                        112, 128, 160, 192, 224, 256, 320};
  static constexpr uint32_t kLow[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static constexpr uint32_t kRates[] = {44100, 48000, 32000};
  const uint32_t version = (h[1] >> 3) & 3;  // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const uint32_t index = h[2] >> 4;
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || index == 0 || index == 15 ||
      ((h[2] >> 2) & 3) == 3) {
    return 0;
  }
  const uint32_t rate = kRates[(h[2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const uint32_t kbps = version == 3 ? kMpeg1[index] : kLow[index];
  return (version == 3 ? 144000 : 72000) * kbps / rate + ((h[2] >> 1) & 1);
}

std::string TempDir() {
  std::string dir = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/codecXXXXXX";
  return mkdtemp(dir.data()) ? dir : std::string();
}

}  // namespace

TEST(LCodecMp3Test, DescriptorCarriesTheFrameLayout) {
  const LWaveFileFormat low = Described(LCodecMp3::kTag, 8000, 1, 0);
  EXPECT_EQ(low.AvgBytesPerSec(), 2000u);  // 16 kbit/s
  EXPECT_EQ(low.BlockAlign(), 1);
  EXPECT_EQ(low.BitsPerSample(), 0);
  ASSERT_EQ(low.ExtraSize(), 12);
  EXPECT_EQ(LoadLeU16(low.Extra()), 1);
  EXPECT_EQ(LoadLeU32(low.Extra() + 2), 2u);  // frames are never padded
  EXPECT_EQ(LoadLeU16(low.Extra() + 6), 144);
  EXPECT_EQ(LoadLeU16(low.Extra() + 8), 1);
  EXPECT_EQ(LoadLeU16(low.Extra() + 10), 1105);

  const LWaveFileFormat cd = Described(LCodecMp3::kTag, 44100, 2, 0);
  EXPECT_EQ(cd.AvgBytesPerSec(), 16000u);  // 128 kbit/s
  EXPECT_EQ(LoadLeU32(cd.Extra() + 2), 0u);
  EXPECT_EQ(LoadLeU16(cd.Extra() + 6), 417);

  LWaveFileFormat odd = low;
  odd.SetAvgBytesPerSec(1234);
  EXPECT_EQ(Encoder(odd), nullptr);
  odd = cd;
  odd.SetAvgBytesPerSec(1000);  // 8 kbit/s does not exist at 44100 Hz
  EXPECT_EQ(Encoder(odd), nullptr);
  odd = low;
  odd.SetSamplesPerSec(9000);
  EXPECT_EQ(Encoder(odd), nullptr);
}

TEST(LCodecMp3Test, ProducesWholeFramesOfTheChosenRate) {
  const LWaveFileFormat format = Described(LCodecMp3::kTag, 8000, 1, 0);
  auto encoder = Encoder(format);
  ASSERT_NE(encoder, nullptr);
  const std::vector<uint8_t> mp3 = ConvertAll(*encoder, ToBytes(Tone(8000, 1, 16000, 440)), 3000);
  std::size_t frames = 0;
  std::size_t at = 0;
  while (at + 4 <= mp3.size()) {
    const uint32_t bytes = FrameBytes(&mp3[at]);
    ASSERT_EQ(bytes, 144u) << "frame " << frames;
    at += bytes;
    ++frames;
  }
  EXPECT_EQ(at, mp3.size());
  // Two seconds are 27.8 frames of 576 samples, plus the encoder's delay.
  EXPECT_GE(frames, 28u);
  EXPECT_LE(frames, 32u);
}

TEST(LCodecMp3Test, AnotherDecoderReadsTheStream) {
  if (system("sox -h 2>/dev/null | grep -qw mp3") != 0) GTEST_SKIP() << "no sox with MP3";
  const std::string dir = TempDir();
  ASSERT_FALSE(dir.empty());
  const std::string mp3Path = dir + "/tone.mp3";
  const std::string rawPath = dir + "/tone.raw";
  const std::vector<int16_t> tone = Tone(22050, 2, 22050, 440);
  auto encoder = Encoder(Described(LCodecMp3::kTag, 22050, 2, 0));
  ASSERT_NE(encoder, nullptr);
  const std::vector<uint8_t> mp3 = ConvertAll(*encoder, ToBytes(tone));
  std::ofstream(mp3Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
  const std::string command = "sox -q " + mp3Path + " -t raw -e signed -b 16 -c 2 " + rawPath;
  ASSERT_EQ(system(command.c_str()), 0);
  std::ifstream raw(rawPath, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(raw)), {});
  const std::vector<int16_t> decoded = ToSamples(bytes);
  unlink(mp3Path.c_str());
  unlink(rawPath.c_str());
  rmdir(dir.c_str());

  // One second of stereo, give or take the codec delay and the last frame.
  ASSERT_GE(decoded.size(), tone.size());
  ASSERT_LE(decoded.size(), tone.size() + 2 * 4 * 576);
  // Find the codec delay, then the tone must come back clearly (compared
  // over a stretch of it to keep the search short).
  const std::vector<int16_t> stretch(tone.begin(), tone.begin() + 12000);
  double best = -100;
  for (std::size_t delay = 0; delay < 2 * 1700; delay += 2) {
    const std::vector<int16_t> shifted(decoded.begin() + static_cast<std::ptrdiff_t>(delay),
                                       decoded.end());
    best = std::max(best, Snr(stretch, shifted, 4000));
  }
  EXPECT_GT(best, 15);
}

TEST(LCodecMp3Test, EndLeavesTheStreamReadyForTheNextOne) {
  const LWaveFileFormat format = Described(LCodecMp3::kTag, 16000, 1, 0);
  auto encoder = Encoder(format);
  const std::vector<uint8_t> pcm = ToBytes(Tone(16000, 1, 5000, 300));
  const std::vector<uint8_t> first = ConvertAll(*encoder, pcm);
  EXPECT_EQ(ConvertAll(*encoder, pcm), first);
  EXPECT_EQ(first.size() % 108u, 0u);  // 24 kbit/s at 16 kHz
}
