// Every PCM or codec file we write decodes in sox to the samples our own
// source reads from it, and every file sox writes in that format reads here
// as sox decodes it: the two decoders must agree on the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "LCodecTestSupport.h"
#include "WaveTestFiles.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

struct SoxCase {
  const char* name;      // our format name
  const char* encoding;  // sox's options for writing the same format
};

constexpr int32_t kFrames = 8000;

std::vector<int16_t> MixedTone() {
  std::vector<int16_t> pcm;
  for (int32_t i = 0; i < kFrames; ++i)
    pcm.push_back(static_cast<int16_t>(9000 * std::sin(i * M_PI / 4) + 4000 * std::sin(i * M_PI * 3 / 40)));
  return pcm;
}

bool Sox(const std::string& arguments) { return std::system(("sox -V1 " + arguments).c_str()) == 0; }

class CodecSox : public ::testing::TestWithParam<SoxCase> {
 protected:
  // Sox's decoding of the file and ours, over the tone's length.
  void ExpectSameDecoding() {
    std::vector<int16_t> ours;
    for (int32_t v : ReadFrames(*LWaveFile::OpenSource(wav_), kFrames)) ours.push_back(ChainTo16(v));
    ASSERT_TRUE(Sox("-D " + wav_ + " -t raw -e signed-integer -b 16 -L " + (dir_ / "sox.raw")));  // no dither
    const std::string bytes = FileText(dir_ / "sox.raw");
    std::vector<int16_t> sox = codec_test::ToSamples({bytes.begin(), bytes.end()});
    ASSERT_GE(sox.size(), size_t{kFrames});
    sox.resize(kFrames);
    EXPECT_TRUE(sox == ours);
  }

  TempDir dir_;
  std::string wav_ = dir_ / "coded.wav";
};

TEST_P(CodecSox, SoxDecodesOurFilesAsWeDoAndWeDecodeSoxsAsSoxDoes) {
  const LSupportedFormat* entry = LSupportedFormats::FindByName(GetParam().name);
  LWaveFileFormat format;
  ASSERT_TRUE(entry && LSupportedFormats::Fill(*entry, format));
  std::vector<int32_t> chain;
  for (int16_t v : MixedTone()) chain.push_back(ChainFrom16(v));
  LWaveFile::OpenSink(wav_, format)->Write(chain.data(), kFrames);
  ExpectSameDecoding();

  WriteBytes(dir_ / "tone.raw", Samples16(MixedTone()));
  ASSERT_TRUE(Sox("-t raw -r 8000 -c 1 -e signed-integer -b 16 -L " + (dir_ / "tone.raw") + " " +
                  GetParam().encoding + " " + wav_));
  ExpectSameDecoding();
}

// Sox writes 24-bit files in the extensible layout.
INSTANTIATE_TEST_SUITE_P(Formats, CodecSox,
                         ::testing::Values(SoxCase{"PCM 16-bit", "-e signed-integer -b 16"},
                                           SoxCase{"PCM 8-bit", "-e unsigned-integer -b 8"},
                                           SoxCase{"PCM 24-bit", "-b 24"},
                                           SoxCase{"A-law", "-e a-law"}, SoxCase{"mu-law", "-e u-law"},
                                           SoxCase{"IMA ADPCM", "-e ima-adpcm"},
                                           SoxCase{"Microsoft ADPCM", "-e ms-adpcm"},
                                           SoxCase{"GSM 6.10", "-e gsm-full-rate"}),
                         [](const auto& param) {
                           std::string name = param.param.name;
                           std::erase_if(name, [](char c) { return !std::isalnum(c); });
                           return name;
                         });

}  // namespace
