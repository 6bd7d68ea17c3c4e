#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <vector>

#include "WaveTestFiles.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

// Frame f of channel c holds a distinct 16-bit value.
std::vector<int32_t> Frames16(int32_t first, int32_t count, int channels) {
  std::vector<int32_t> samples;
  for (int32_t f = first; f < first + count; ++f) {
    for (int c = 0; c < channels; ++c) samples.push_back(((f * 7 + c * 1000) % 30000) * 16);
  }
  return samples;
}

std::string PcmHeader(uint16_t channels, uint32_t rate, uint16_t bytes, uint32_t dataSize) {
  const uint32_t align = channels * bytes;
  const uint32_t riff = dataSize == 0xFFFFFFFF ? dataSize : dataSize + 38;
  return "RIFF" + Le32(riff) + "WAVE" + "fmt " + Le32(18) + Le16(1) + Le16(channels) +
         Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bytes * 8) + Le16(0) + "data" +
         Le32(dataSize);
}

std::string ReadBytes46(const std::string& path) {
  std::string head(46, '\0');
  std::ifstream(path, std::ios::binary).read(head.data(), 46);
  return head;
}

class WaveSink : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_ / "out.wav";
};

TEST_F(WaveSink, WritesTheFixedHeaderAndPatchesItAtTheEnd) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 11025, 0, 16, 2);
  ASSERT_TRUE(sink && !sink->IsError());
  const std::vector<int32_t> samples = {16, -16, 524272, -524288, 7, -9};
  sink->Write(samples.data(), 3);
  EXPECT_EQ(sink->Position(), 3);
  const std::string data = Samples16({1, -1, 32767, -32768, 0, -1});
  EXPECT_EQ(ReadBytes(path_), PcmHeader(2, 11025, 2, 0xFFFFFFFF) + data);
  sink = LSoundSinkRef();
  EXPECT_EQ(ReadBytes(path_), PcmHeader(2, 11025, 2, 12) + data);
}

TEST_F(WaveSink, EightBitSinkRoundsToUnsignedBytes) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, 0, 8, 1);
  const std::vector<int32_t> samples = {0, 2047, 2048, -2049, 127 * 4096, -128 * 4096};
  sink->Write(samples.data(), 6);
  sink = LSoundSinkRef();
  EXPECT_EQ(ReadBytes(path_), PcmHeader(1, 8000, 1, 6) + std::string("\x80\x80\x81\x7F\xFF\x00", 6));
}

TEST_F(WaveSink, BitDepthsChooseTheSink) {
  EXPECT_FALSE(LWaveFile::OpenSinkPCM(path_, 8000, 0, 24, 1));
  EXPECT_FALSE(LWaveFile::OpenSinkPCM(path_, 8000, 0, 0, 1));
  LWaveFile::OpenSinkPCM(path_, 8000, 0, 4, 1);
  EXPECT_EQ(ReadBytes(path_), PcmHeader(1, 8000, 1, 0));
  LWaveFile::OpenSinkPCM(path_, 8000, 0, 12, 1);
  EXPECT_EQ(ReadBytes(path_), PcmHeader(1, 8000, 2, 0));
  LWaveFile::OpenSink(path_, LWaveFileFormat::Pcm(22050, 2, 8));
  EXPECT_EQ(ReadBytes(path_), PcmHeader(2, 22050, 1, 0));
}

TEST_F(WaveSink, StartFrameKeepsTheBeginningOfAnEarlierRecording) {
  const std::vector<int32_t> first = Frames16(0, 2000, 2);
  LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 2)->Write(first.data(), 2000);

  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, 1000, 16, 2);
  EXPECT_EQ(sink->Position(), 1000);
  const std::vector<int32_t> more = Frames16(5000, 10, 2);
  sink->Write(more.data(), 10);
  sink = LSoundSinkRef();

  LSoundSourceRef source = LWaveFile::OpenSource(path_);
  ASSERT_EQ(source->GetEndSample(), 1010);
  std::vector<int32_t> expected(first.begin(), first.begin() + 2000);
  expected.insert(expected.end(), more.begin(), more.end());
  EXPECT_EQ(ReadFrames(*source, 1010), expected);
  source = LSoundSourceRef();

  // Beyond what the file holds only the frames that are there count.
  EXPECT_EQ(LWaveFile::OpenSinkPCM(path_, 8000, 5000, 16, 2)->Position(), 1010);
  EXPECT_EQ(LWaveFile::OpenSinkPCM(path_, 8000, -5, 16, 2)->Position(), 0);
  EXPECT_EQ(ReadBytes(path_), PcmHeader(2, 8000, 2, 0));
}

TEST_F(WaveSink, TruncateDiscardsOnlyBackwards) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 1);
  const std::vector<int32_t> samples = Frames16(0, 100, 1);
  sink->Write(samples.data(), 100);
  sink->Truncate(101);
  EXPECT_EQ(sink->Position(), 100);
  sink->Truncate(40);
  EXPECT_EQ(sink->Position(), 40);
  sink->Write(samples.data(), 5);
  sink = LSoundSinkRef();
  LSoundSourceRef source = LWaveFile::OpenSource(path_);
  ASSERT_EQ(source->GetEndSample(), 45);
  std::vector<int32_t> expected(samples.begin(), samples.begin() + 40);
  expected.insert(expected.end(), samples.begin(), samples.begin() + 5);
  EXPECT_EQ(ReadFrames(*source, 45), expected);

  // A negative frame empties the file but leaves the header whole.
  sink = LWaveFile::OpenSinkPCM(path_, 8000, 45, 16, 1);
  sink->Truncate(-3);
  EXPECT_EQ(sink->Position(), 0);
  sink = LSoundSinkRef();
  EXPECT_EQ(ReadBytes(path_), PcmHeader(1, 8000, 2, 0));
}

TEST_F(WaveSink, ReaderFollowsAFileWhileItIsWritten) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 1);
  const std::vector<int32_t> samples = Frames16(0, 300, 1);
  sink->Write(samples.data(), 100);
  LSoundSourceRef source = LWaveFile::OpenSource(path_);
  ASSERT_FALSE(source->IsError());
  EXPECT_TRUE(source->IsStreaming());
  EXPECT_EQ(source->GetEndSample(), 100);
  EXPECT_EQ(ReadFrames(*source, 80), std::vector<int32_t>(samples.begin(), samples.begin() + 80));

  sink->Write(samples.data() + 100, 200);
  EXPECT_EQ(source->GetEndSample(), 300);
  EXPECT_TRUE(source->IsStreaming());
  sink->Truncate(250);
  sink = LSoundSinkRef();
  EXPECT_EQ(source->GetEndSample(), 250);
  EXPECT_FALSE(source->IsStreaming());
  std::vector<int32_t> rest = ReadFrames(*source, 200);
  EXPECT_EQ(std::vector<int32_t>(rest.begin(), rest.begin() + 170),
            std::vector<int32_t>(samples.begin() + 80, samples.begin() + 250));
  EXPECT_EQ(rest[170], 0);
}

TEST_F(WaveSink, StopsBeforeTheHeaderSizesWouldOverflow) {
  // A sparse recording just short of 4 GiB, continued from its last frame.
  const int32_t frames = 1073741000;  // 4 bytes each
  WriteBytes(path_, PcmHeader(2, 8000, 2, 0));
  ASSERT_EQ(::truncate(path_.c_str(), 46 + int64_t{frames} * 4), 0);
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, frames, 16, 2);
  ASSERT_EQ(sink->Position(), frames);
  const std::vector<int32_t> samples(2 * 8192, 16);
  sink->Write(samples.data(), 8192);
  EXPECT_TRUE(sink->IsError());
  sink = LSoundSinkRef();
  const uint32_t dataSize = uint32_t{frames} * 4;
  EXPECT_EQ(ReadBytes46(path_), PcmHeader(2, 8000, 2, dataSize));
}

TEST_F(WaveSink, SinkThatCannotOpenCountsButWritesNothing) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(dir_ / "no/such/dir.wav", 8000, 0, 16, 1);
  ASSERT_TRUE(sink);
  EXPECT_TRUE(sink->IsError());
  const std::vector<int32_t> samples(10, 0);
  sink->Write(samples.data(), 10);
  EXPECT_EQ(sink->Position(), 10);
  EXPECT_TRUE(LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 0)->IsError());
}

}  // namespace
