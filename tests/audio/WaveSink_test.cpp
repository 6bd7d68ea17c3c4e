#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <vector>

#include "TestSources.h"
#include "WaveTestFiles.h"
#include "audio/LCodecG711.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "support/FullDisk.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

// Ramp frames on the 16-bit grid, so they come back from a file unchanged.
std::vector<int32_t> Ramp16(int32_t first, int32_t count, int channels) {
  std::vector<int32_t> samples;
  for (int32_t f = first; f < first + count; ++f) {
    for (int c = 0; c < channels; ++c) samples.push_back(RampSample(f, c) * 16);
  }
  return samples;
}

class WaveSink : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_ / "out.wav";
};

// Depths below 8 bits are written as 8-bit samples, 12 bits as 16-bit ones.
TEST_F(WaveSink, WritesAStreamingHeaderAndPatchesItAtTheEndOrFailsCounting) {
  const std::vector<int32_t> chain16 = {16, -16, 524272, -524288, 7, -9};
  const std::vector<int32_t> chain8 = {0, 2047, 2048, -2049, 127 * 4096, -128 * 4096};
  const std::string data16 = Samples16({1, -1, 32767, -32768, 0, -1});
  const std::string data8("\x80\x80\x81\x7F\xFF\x00", 6);
  for (auto [bits, channels] : {std::pair{16, 2}, {12, 1}, {8, 1}, {4, 1}}) {
    const uint16_t bytes = bits > 8 ? 2 : 1;
    LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 11025, 0, bits, channels);
    ASSERT_TRUE(sink && !sink->IsError());
    sink->Write((bytes == 2 ? chain16 : chain8).data(), 6 / channels);
    EXPECT_EQ(sink->Position(), 6 / channels);
    const std::string& data = bytes == 2 ? data16 : data8;
    EXPECT_EQ(FileText(path_), PcmHeader(channels, 11025, bytes, 0xFFFFFFFF) + data) << bits;
    sink = LSoundSinkRef();
    EXPECT_EQ(FileText(path_), PcmHeader(channels, 11025, bytes, 6 * bytes) + data) << bits;
  }
  // Sinks that cannot write still count.
  EXPECT_FALSE(LWaveFile::OpenSinkPCM(path_, 8000, 0, 20, 1) || LWaveFile::OpenSinkPCM(path_, 8000, 0, 0, 1));
  EXPECT_TRUE(LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 0)->IsError());
  LWaveFileFormat unknown = LWaveFileFormat::Pcm(8000, 1, 8);
  unknown.SetTag(0x7777);
  EXPECT_TRUE(LWaveFile::OpenSink(path_, unknown)->IsError());
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(dir_ / "no/such/dir.wav", 8000, 0, 16, 1);
  sink->Write(Ramp16(0, 10, 1).data(), 10);
  EXPECT_TRUE(sink->IsError() && sink->Position() == 10);
  for (int i = 0; i < 2; ++i) sink->Write(Ramp16(0, 10, 1).data(), INT32_MAX);
  EXPECT_EQ(sink->Position(), INT32_MAX) << "the count saturates";
}

// A disk that fills keeps the whole frames that fitted behind a final
// header; the cause (ENOSPC) outlives the sink for whoever recorded.
TEST_F(WaveSink, FullDiskKeepsTheWholeFramesThatFittedAndTellsWhy) {
  const std::vector<int32_t> ramp = Ramp16(0, 2000, 1);
  LWaveFile::OpenSinkPCM(dir_ / "all.wav", 8000, 0, 16, 1)->Write(ramp.data(), 2000);
  const std::string all = FileText(dir_ / "all.wav").substr(46);
  // Room for the header, then for 1500.5 frames; or for nothing at all.
  for (auto [room, kept] : {std::pair{46 + 3001, 1500}, {0, -1}}) {
    LSoundSinkBase::Failure failure;
    std::filesystem::remove(path_);
    {
      FullDiskScope disk(room);
      LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 1);
      failure = sink->ShareFailure();
      sink->Write(ramp.data(), 1000);
      sink->Write(ramp.data() + 1000, 1000);
      EXPECT_EQ(sink->Position(), 2000) << room;
    }
    EXPECT_EQ(failure->load(), ENOSPC) << room;
    const std::string expected =
        kept < 0 ? "" : PcmHeader(1, 8000, 2, 2 * kept) + all.substr(0, 2 * kept);
    EXPECT_EQ(FileText(path_), expected) << room;
  }
}

// A start frame continues an earlier recording and Truncate cuts it back;
// both keep only frames the file holds.
TEST_F(WaveSink, StartFrameAndTruncateKeepTheFramesBefore) {
  const std::vector<int32_t> first = Ramp16(0, 2000, 2);
  LWaveFile::OpenSinkPCM(path_, 8000, 0, 16, 2)->Write(first.data(), 2000);
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, 1000, 16, 2);
  EXPECT_EQ(sink->Position(), 1000);
  const std::vector<int32_t> more = Ramp16(5000, 10, 2);
  sink->Write(more.data(), 10);
  sink->Truncate(1011);
  EXPECT_EQ(sink->Position(), 1010) << "Truncate never extends";
  sink->Truncate(1005);
  sink->Write(more.data(), 3);
  sink = LSoundSinkRef();
  std::vector<int32_t> expected(first.begin(), first.begin() + 2000);
  expected.insert(expected.end(), more.begin(), more.begin() + 10);
  expected.insert(expected.end(), more.begin(), more.begin() + 6);
  expected.resize(2030, 0);
  EXPECT_EQ(ReadFrames(*LWaveFile::OpenSource(path_), 1015), expected);

  EXPECT_EQ(LWaveFile::OpenSinkPCM(path_, 8000, 5000, 16, 2)->Position(), 1008);
  LWaveFile::OpenSinkPCM(path_, 8000, 1008, 16, 2)->Truncate(-3);
  EXPECT_EQ(FileText(path_), PcmHeader(2, 8000, 2, 0));
  EXPECT_EQ(LWaveFile::OpenSinkPCM(path_, 8000, -5, 16, 2)->Position(), 0);
}

// A reader opened while the sink still writes follows the file as it grows
// and finds its final end once the sink is done.
TEST_F(WaveSink, ReaderFollowsAFileWhileItIsWritten) {
  LWaveFileFormat alaw;
  ASSERT_TRUE(LSupportedFormats::Fill({LCodecG711::kTagALaw, 8000, 1, 8, ""}, alaw));
  const std::vector<int32_t> samples = Ramp16(0, 300, 1);
  for (const LWaveFileFormat& format : {LWaveFileFormat::Pcm(8000, 1, 16), alaw}) {
    const bool coded = format.Tag() == LCodecG711::kTagALaw;
    std::vector<int32_t> expected;
    for (int32_t x : samples)
      expected.push_back(coded ? 16 * LCodecG711::LinearFromALaw(LCodecG711::ALawFromLinear(ChainTo16(x))) : x);
    const std::string fmt(reinterpret_cast<const char*>(format.Data()), format.Size());
    std::filesystem::remove(path_);
    LSoundSinkRef sink = LWaveFile::OpenSink(path_, format);
    sink->Write(samples.data(), 100);
    // Callers' messages are their owner's alone, like every file of the data folder.
    EXPECT_EQ(std::filesystem::status(path_).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(FileText(path_).substr(0, 46), Head(fmt, 0xFFFFFFFF));
    LSoundSourceRef source = LWaveFile::OpenSource(path_);
    ASSERT_TRUE(!source->IsError() && source->IsStreaming());
    EXPECT_EQ(source->GetEndSample(), coded ? 99 : 100) << "a codec holds a block back";
    EXPECT_EQ(ReadFrames(*source, 80), std::vector(expected.begin(), expected.begin() + 80));
    sink->Write(samples.data() + 100, 200);
    EXPECT_TRUE(source->GetEndSample() == (coded ? 299 : 300) && source->IsStreaming());
    sink->Truncate(250);  // a codec file cannot be cut
    const int32_t end = coded ? 300 : 250;
    sink = LSoundSinkRef();
    EXPECT_EQ(FileText(path_).substr(0, 46), Head(fmt, end * (coded ? 1 : 2)));
    source->GetEndSample();  // notices the final header
    EXPECT_FALSE(source->IsStreaming());
    expected.resize(static_cast<size_t>(end));
    expected.resize(310, 0);
    EXPECT_EQ(ReadFrames(*source, 230), std::vector(expected.begin() + 80, expected.end()));
    EXPECT_EQ(source->GetEndSample(), end);
  }
}

TEST_F(WaveSink, StopsBeforeTheHeaderSizesWouldOverflow) {
  // A sparse recording just short of 4 GiB, continued from its last frame.
  const int32_t frames = 1073741000;  // 4 bytes each
  WriteBytes(path_, PcmHeader(2, 8000, 2, 0));
  ASSERT_EQ(::truncate(path_.c_str(), 46 + int64_t{frames} * 4), 0);
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path_, 8000, frames, 16, 2);
  ASSERT_EQ(sink->Position(), frames);
  sink->Write(std::vector<int32_t>(2 * 8192, 16).data(), 8192);
  EXPECT_TRUE(sink->IsError());
  sink = LSoundSinkRef();
  std::string head(46, '\0');
  EXPECT_TRUE(std::ifstream(path_, std::ios::binary).read(head.data(), 46) &&
              head == PcmHeader(2, 8000, 2, uint32_t{frames} * 4));
}

}  // namespace
