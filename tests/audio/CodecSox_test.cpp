// Every PCM or codec file we write decodes in sox to the samples our own
// source reads from it, and every file sox writes in that format reads here
// as sox decodes it: the two decoders must agree on the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

struct SoxCase {
  const char* name;      // our format name
  const char* encoding;  // sox's options for writing the same format
  int tolerance;         // largest 16-bit difference between the decoders
};

constexpr int32_t kFrames = 8000;

std::vector<int16_t> Tone() {
  std::vector<int16_t> pcm;
  for (int32_t i = 0; i < kFrames; ++i) {
    pcm.push_back(static_cast<int16_t>(9000 * std::sin(i * 2 * M_PI * 1000 / 8000) +
                                       4000 * std::sin(i * 2 * M_PI * 300 / 8000)));
  }
  return pcm;
}

bool Sox(const std::string& arguments) {
  return std::system(("sox -V1 " + arguments).c_str()) == 0;
}

std::vector<int16_t> SoxDecode(const TempDir& dir, const std::string& wav) {
  std::string raw = dir / "decoded.raw";
  if (!Sox(wav + " -t raw -e signed-integer -b 16 -L " + raw)) return {};
  std::string bytes = ReadBytes(raw);
  std::vector<int16_t> pcm(bytes.size() / 2);
  for (size_t i = 0; i < pcm.size(); ++i) {
    pcm[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                  static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  }
  return pcm;
}

std::vector<int16_t> OurDecode(const std::string& wav) {
  LSoundSourceRef source = LWaveFile::OpenSource(wav);
  std::vector<int16_t> pcm;
  if (source->IsError()) return pcm;
  std::vector<int32_t> block(512);
  while (source->GetPosition() < source->GetEndSample()) {
    source->Read(block.data(), 512);
    int32_t valid = 512 - std::max(0, source->GetPosition() - source->GetEndSample());
    for (int32_t i = 0; i < valid; ++i) pcm.push_back(ChainTo16(block[i]));
  }
  return pcm;
}

void ExpectSameDecoding(const std::vector<int16_t>& sox, const std::vector<int16_t>& ours,
                        int tolerance) {
  ASSERT_GE(sox.size(), size_t{kFrames});
  ASSERT_GE(ours.size(), size_t{kFrames});
  int worst = 0;
  for (size_t i = 0; i < kFrames; ++i) worst = std::max(worst, std::abs(sox[i] - ours[i]));
  EXPECT_LE(worst, tolerance);
}

class CodecSox : public ::testing::TestWithParam<SoxCase> {
 protected:
  TempDir dir_;
  std::string wav_ = dir_ / "coded.wav";
};

TEST_P(CodecSox, SoxDecodesOurFilesAsWeDo) {
  const LSupportedFormat* entry = LSupportedFormats::FindByName(GetParam().name);
  ASSERT_NE(entry, nullptr);
  LWaveFileFormat format;
  ASSERT_TRUE(LSupportedFormats::Fill(*entry, format));
  {
    LSoundSinkRef sink = LWaveFile::OpenSink(wav_, format);
    ASSERT_FALSE(sink->IsError());
    std::vector<int32_t> chain;
    for (int16_t v : Tone()) chain.push_back(ChainFrom16(v));
    sink->Write(chain.data(), kFrames);
  }
  ExpectSameDecoding(SoxDecode(dir_, wav_), OurDecode(wav_), GetParam().tolerance);
}

TEST_P(CodecSox, WeDecodeSoxFilesAsSoxDoes) {
  WriteBytes(dir_ / "tone.raw", Samples16(Tone()));
  ASSERT_TRUE(Sox("-t raw -r 8000 -c 1 -e signed-integer -b 16 -L " + (dir_ / "tone.raw") + " " +
                  GetParam().encoding + " " + wav_));
  ExpectSameDecoding(SoxDecode(dir_, wav_), OurDecode(wav_), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, CodecSox,
                         ::testing::Values(SoxCase{"PCM 16-bit", "-e signed-integer -b 16", 0},
                                           SoxCase{"PCM 8-bit", "-e unsigned-integer -b 8", 0},
                                           SoxCase{"A-law", "-e a-law", 0},
                                           SoxCase{"mu-law", "-e u-law", 0},
                                           SoxCase{"IMA ADPCM", "-e ima-adpcm", 0},
                                           SoxCase{"Microsoft ADPCM", "-e ms-adpcm", 0},
                                           SoxCase{"GSM 6.10", "-e gsm-full-rate", 0}),
                         [](const auto& param) {
                           std::string name = param.param.name;
                           std::erase_if(name, [](char c) { return !std::isalnum(c); });
                           return name;
                         });

TEST(CodecSoxWide, WeReadTheExtensibleTwentyFourBitFilesSoxWrites) {
  TempDir dir;
  WriteBytes(dir / "tone.raw", Samples16(Tone()));
  std::string wav = dir / "wide.wav";
  ASSERT_TRUE(Sox("-t raw -r 8000 -c 1 -e signed-integer -b 16 -L " + (dir / "tone.raw") +
                  " -b 24 " + wav));
  EXPECT_EQ(OurDecode(wav), Tone());
}

}  // namespace
