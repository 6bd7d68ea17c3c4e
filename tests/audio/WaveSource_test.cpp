#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <fstream>
#include <vector>

#include "audio/LWaveFile.h"
#include "support/TempDir.h"
#include "WaveTestFiles.h"

using namespace wave_test;

namespace {

class WaveSource : public ::testing::Test {
 protected:
  LSoundSourceRef Open(const std::string& bytes) {
    WriteBytes(dir_ / "in.wav", bytes);
    return LWaveFile::OpenSource(dir_ / "in.wav");
  }
  bool Opens(const std::string& bytes) { return !Open(bytes)->IsError(); }

  TempDir dir_;
};

const std::string kFourSamples = Samples16({100, -200, 300, -400});

TEST_F(WaveSource, WalksPastForeignChunksAndPadsOddSizes) {
  const std::string wave = Chunk("junk", "abc") + Chunk("fmt ", FmtBody(1, 1, 8000, 16)) +
                           Chunk("LIST", "12345") + Chunk("data", kFourSamples) +
                           Chunk("fmt ", FmtBody(1, 2, 11025, 8));
  const std::string file = ChunkSized("JUNK", 7, "1234567") + '\0' + Riff(wave);
  LSoundSourceRef source = Open(file);
  ASSERT_FALSE(source->IsError());
  EXPECT_EQ(source->SampleRate(), 8000);
  EXPECT_EQ(source->Channels(), 1);
  EXPECT_EQ(source->MaxLevel(), static_cast<uint32_t>(kFullScale16));
  EXPECT_EQ(source->GetEndSample(), 4);
  EXPECT_FALSE(source->IsStreaming());
  EXPECT_EQ(ReadFrames(*source, 4), (std::vector<int32_t>{1600, -3200, 4800, -6400}));
  // A "data" chunk before "fmt " is skipped like any other.
  EXPECT_EQ(Open(Riff(Chunk("data", "xx") + Chunk("fmt ", FmtBody(1, 1, 8000, 16)) +
                      Chunk("data", kFourSamples)))->GetEndSample(), 4);
}

TEST_F(WaveSource, AcceptsFmtChunksOf14To8192Bytes) {
  auto withFmt = [](std::size_t size) {
    return Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, size)) + Chunk("data", kFourSamples));
  };
  EXPECT_FALSE(Opens(withFmt(12)));
  EXPECT_FALSE(Opens(withFmt(13)));
  // 14 bytes carry no bits per sample: 0 bits is no PCM depth we read.
  EXPECT_FALSE(Opens(withFmt(14)));
  EXPECT_TRUE(Opens(withFmt(16)));
  EXPECT_TRUE(Opens(withFmt(18)));
  EXPECT_TRUE(Opens(withFmt(8192)));
  EXPECT_FALSE(Opens(withFmt(8193)));
  EXPECT_FALSE(Opens(withFmt(9000)));
  // An odd "fmt " chunk is followed by its pad byte.
  LSoundSourceRef odd = Open(withFmt(19));
  ASSERT_FALSE(odd->IsError());
  EXPECT_EQ(ReadFrames(*odd, 4)[3], -6400);
}

TEST_F(WaveSource, RejectsChannelAndRateOutOfRange) {
  auto file = [](uint16_t channels, uint32_t rate) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, 16)) + Chunk("data", kFourSamples));
  };
  EXPECT_FALSE(Opens(file(0, 8000)));
  EXPECT_FALSE(Opens(file(256, 8000)));
  EXPECT_TRUE(Opens(file(255, 8000)));
  EXPECT_FALSE(Opens(file(1, 0)));
  EXPECT_TRUE(Opens(file(1, 196000)));
  EXPECT_FALSE(Opens(file(1, 196001)));
}

TEST_F(WaveSource, BrokenFilesGiveTheNullSource) {
  const std::string fmt = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
  for (const std::string& bytes : {
           std::string(),                                    // empty
           std::string("RIFF\x04\0\0\0WAV", 11),               // short form header
           Riff(fmt),                                        // no data chunk
           Riff(Chunk("data", kFourSamples)),                // no fmt chunk
           Riff(fmt + "dat"),                                // short chunk header
           Riff(ChunkSized("LIST", 0x80000000u, "") + fmt),  // negative chunk size
           ChunkSized("JUNK", 4, "WAVE") + Riff(fmt),        // foreign chunk of size 4
           Riff(ChunkSized("fmt ", 18, "short")),            // fmt cut off
       }) {
    LSoundSourceRef source = Open(bytes);
    EXPECT_TRUE(source->IsError());
    EXPECT_EQ(source->SampleRate(), 11025);
  }
  EXPECT_TRUE(LWaveFile::OpenSource(dir_ / "missing.wav")->IsError());
  EXPECT_TRUE(LWaveFile::OpenSource(dir_.Path())->IsError());
  // A FIFO with no writer must not block the open.
  ASSERT_EQ(::mkfifo((dir_ / "fifo.wav").c_str(), 0600), 0);
  EXPECT_TRUE(LWaveFile::OpenSource(dir_ / "fifo.wav")->IsError());
}

TEST_F(WaveSource, ConvertsEightBitSamples) {
  LSoundSourceRef source = Open(WaveFile(2, 8000, 8, std::string("\x00\x80\xFF\x01", 4)));
  ASSERT_FALSE(source->IsError());
  EXPECT_EQ(source->GetEndSample(), 2);
  EXPECT_EQ(ReadFrames(*source, 2),
            (std::vector<int32_t>{-128 * 4096, 0, 127 * 4096, -127 * 4096}));
  // Depths below 8 bits are read as 8-bit samples, 12 bits as 16-bit ones.
  EXPECT_EQ(Open(WaveFile(1, 8000, 4, "\x90"))->GetEndSample(), 1);
  EXPECT_EQ(Open(WaveFile(1, 8000, 12, kFourSamples))->GetEndSample(), 4);
}

TEST_F(WaveSource, ReadsZerosBeforeTheStartAndPastTheEnd) {
  LSoundSourceRef source = Open(WaveFile(1, 8000, 16, Samples16({-32768, 32767, 1})));
  EXPECT_EQ(ReadFrames(*source, 2), (std::vector<int32_t>{-524288, 524272}));
  std::vector<int32_t> rest = ReadFrames(*source, 8192);
  EXPECT_EQ(rest[0], 16);
  EXPECT_EQ(std::count(rest.begin() + 1, rest.end(), 0), 8191);
  EXPECT_EQ(source->GetPosition(), 8194);
  EXPECT_EQ(source->GetEndSample(), 3);

  source->Seek(-2);
  EXPECT_EQ(ReadFrames(*source, 4), (std::vector<int32_t>{0, 0, -524288, 524272}));
  source->Seek(-5);
  EXPECT_EQ(ReadFrames(*source, 3), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(ReadFrames(*source, 3), (std::vector<int32_t>{0, 0, -524288}));
  source->Seek(2);
  EXPECT_EQ(ReadFrames(*source, 2), (std::vector<int32_t>{16, 0}));
  source->Seek(50);
  EXPECT_EQ(ReadFrames(*source, 1), (std::vector<int32_t>{0}));
  EXPECT_EQ(source->GetPosition(), 51);
}

TEST_F(WaveSource, ReadsBlocksLargerThanItsBuffer) {
  std::vector<int16_t> samples(20000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 3);
  LSoundSourceRef source = Open(WaveFile(1, 8000, 16, Samples16(samples)));
  std::vector<int32_t> all = ReadFrames(*source, 20000);
  for (std::size_t i = 0; i < samples.size(); i += 997) EXPECT_EQ(all[i], samples[i] * 16);
  EXPECT_EQ(all.back(), samples.back() * 16);
}

TEST_F(WaveSource, DataSizeBeyondTheFileReadsWhatIsThere) {
  LSoundSourceRef source =
      Open(Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16)) + ChunkSized("data", 2000, kFourSamples)));
  EXPECT_EQ(source->GetEndSample(), 1000);
  EXPECT_EQ(ReadFrames(*source, 6), (std::vector<int32_t>{1600, -3200, 4800, -6400, 0, 0}));
  // Sizes past 2^31 frames saturate instead of turning negative.
  EXPECT_EQ(Open(Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)) +
                      ChunkSized("data", 0xFFFFFFF0u, "abcd")))->GetEndSample(),
            INT32_MAX);
}

TEST_F(WaveSource, StreamingFileFollowsTheWriter) {
  const std::string path = dir_ / "growing.wav";
  const std::string head =
      Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16))).substr(0, 36) + "data" + Le32(0xFFFFFFFF);
  WriteBytes(path, head + Samples16({1, 2}) + "\x03");  // a frame cut in half
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  ASSERT_FALSE(source->IsError());
  EXPECT_TRUE(source->IsStreaming());
  EXPECT_EQ(source->GetEndSample(), 2);
  EXPECT_EQ(ReadFrames(*source, 3), (std::vector<int32_t>{16, 32, 0}));

  std::ofstream(path, std::ios::binary | std::ios::app) << std::string("\x00", 1) + Samples16({4});
  EXPECT_EQ(source->GetEndSample(), 4);
  EXPECT_TRUE(source->IsStreaming());
  // The half frame is read again whole: the samples stay in step.
  EXPECT_EQ(ReadFrames(*source, 2), (std::vector<int32_t>{48, 64}));

  std::fstream patch(path, std::ios::binary | std::ios::in | std::ios::out);
  patch.seekp(40);
  patch << Le32(6);
  patch.close();
  EXPECT_EQ(source->GetEndSample(), 3);
  EXPECT_FALSE(source->IsStreaming());
}

}  // namespace
