// Files our PCM sinks write must decode in sox to the same samples, and the
// 8- and 16-bit files sox writes must read back identically here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

// Distinct values over the whole 16-bit range, in chain samples.
std::vector<int32_t> Chain16(int32_t samples) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < samples; ++i) out.push_back(((i * 2731) % 65536 - 32768) * 16);
  return out;
}

bool Sox(const std::string& arguments) {
  return std::system(("sox " + arguments + " 2>&1").c_str()) == 0;
}

class WaveSox : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string wav_ = dir_ / "sound.wav";
  std::string raw_ = dir_ / "sound.raw";
};

TEST_F(WaveSox, SoxDecodesOurSixteenBitStereoFile) {
  const std::vector<int32_t> samples = Chain16(2 * 3000);
  LWaveFile::OpenSinkPCM(wav_, 22050, 0, 16, 2)->Write(samples.data(), 3000);
  ASSERT_TRUE(Sox(wav_ + " -t raw -e signed-integer -b 16 -L " + raw_));
  std::string expected;
  for (int32_t x : samples) expected += Le16(static_cast<uint16_t>(ChainTo16(x)));
  EXPECT_EQ(ReadBytes(raw_), expected);
}

TEST_F(WaveSox, SoxDecodesOurEightBitFile) {
  std::vector<int32_t> samples;
  for (int32_t u = 0; u < 256; ++u) samples.push_back((u - 128) * 4096);
  LWaveFile::OpenSinkPCM(wav_, 8000, 0, 8, 1)->Write(samples.data(), 256);
  ASSERT_TRUE(Sox(wav_ + " -t raw -e unsigned-integer -b 8 " + raw_));
  std::string expected;
  for (int32_t u = 0; u < 256; ++u) expected += static_cast<char>(u);
  EXPECT_EQ(ReadBytes(raw_), expected);
}

TEST_F(WaveSox, WeReadSoxSixteenBitFiles) {
  std::string raw;
  for (int32_t x : Chain16(4000)) raw += Le16(static_cast<uint16_t>(ChainTo16(x)));
  WriteBytes(raw_, raw);
  ASSERT_TRUE(Sox("-t raw -r 16000 -c 2 -e signed-integer -b 16 -L " + raw_ + " " + wav_));
  LSoundSourceRef source = LWaveFile::OpenSource(wav_);
  ASSERT_FALSE(source->IsError());
  EXPECT_EQ(source->SampleRate(), 16000);
  EXPECT_EQ(source->Channels(), 2);
  ASSERT_EQ(source->GetEndSample(), 2000);
  EXPECT_EQ(ReadFrames(*source, 2000), Chain16(4000));
}

TEST_F(WaveSox, WeReadSoxEightBitFiles) {
  std::string raw;
  std::vector<int32_t> expected;
  for (int32_t u = 0; u < 256; ++u) {
    raw += static_cast<char>(u);
    expected.push_back((u - 128) * 4096);
  }
  WriteBytes(raw_, raw);
  ASSERT_TRUE(Sox("-t raw -r 8000 -c 1 -e unsigned-integer -b 8 " + raw_ + " " + wav_));
  LSoundSourceRef source = LWaveFile::OpenSource(wav_);
  ASSERT_FALSE(source->IsError());
  ASSERT_EQ(source->GetEndSample(), 256);
  EXPECT_EQ(ReadFrames(*source, 256), expected);
}

}  // namespace
