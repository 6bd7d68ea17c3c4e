// Files our PCM sinks write must decode in sox to the same samples, and the
// files sox writes must read back identically here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "TestSources.h"
#include "WaveTestFiles.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

bool Sox(const std::string& arguments) {
  return std::system(("sox " + arguments + " 2>&1").c_str()) == 0;
}

TEST(WaveSox, PcmFilesReadTheSameHereAndInSox) {
  struct Case {
    uint16_t bits;
    int channels;
    int32_t rate;
    const char* encoding;  // sox's options for the raw samples
  };
  for (const Case& c : {Case{16, 2, 22050, "-e signed-integer -b 16 -L"},
                        Case{8, 1, 8000, "-e unsigned-integer -b 8"}}) {
    // Every value of the depth, as raw bytes and as chain samples.
    const int32_t frames = c.bits == 8 ? 256 : 3000;
    std::vector<int32_t> samples;
    std::string raw;
    for (int32_t i = 0; i < frames * c.channels; ++i) {
      const int32_t v = (i * 2731) % 65536 - 32768;
      samples.push_back(c.bits == 8 ? ChainFrom8(static_cast<uint8_t>(i))
                                    : ChainFrom16(static_cast<int16_t>(v)));
      raw += c.bits == 8 ? std::string(1, static_cast<char>(i)) : Le16(static_cast<uint16_t>(v));
    }
    TempDir dir;
    const std::string ours = dir / "ours.wav", theirs = dir / "theirs.wav", decoded = dir / "raw";
    LWaveFile::OpenSinkPCM(ours, c.rate, 0, c.bits, c.channels)->Write(samples.data(), frames);
    ASSERT_TRUE(Sox(ours + " -t raw " + c.encoding + " " + decoded));
    EXPECT_EQ(ReadBytes(decoded), raw) << c.bits;

    WriteBytes(decoded, raw);
    const std::string shape = " -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels);
    ASSERT_TRUE(Sox("-t raw" + shape + " " + c.encoding + " " + decoded + " " + theirs));
    LSoundSourceRef source = LWaveFile::OpenSource(theirs);
    ASSERT_FALSE(source->IsError());
    EXPECT_TRUE(source->SampleRate() == c.rate && source->Channels() == c.channels);
    ASSERT_EQ(source->GetEndSample(), frames);
    EXPECT_EQ(ReadFrames(*source, frames), samples) << c.bits;
  }
}

}  // namespace
