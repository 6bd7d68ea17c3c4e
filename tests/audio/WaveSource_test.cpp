#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <fstream>
#include <utility>
#include <vector>

#include "TestSources.h"
#include "WaveTestFiles.h"
#include "audio/LCodecImaAdpcm.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "support/TempDir.h"

using namespace wave_test;

namespace {

class WaveSource : public ::testing::Test {
 protected:
  LSoundSourceRef Open(const std::string& bytes) {
    WriteBytes(dir_ / "in.wav", bytes);
    return LWaveFile::OpenSource(dir_ / "in.wav");
  }

  TempDir dir_;
};

const std::string kFour = Samples16({100, -200, 300, -400});
const std::vector<int32_t> kFourRead = {1600, -3200, 4800, -6400};

struct ChunkCase {
  const char* what;
  std::string bytes;
  int32_t end;                      // -1: the null source
  std::vector<int32_t> first = {};  // the first samples read, where given
};

TEST_F(WaveSource, WalksTheChunksAndRefusesWhatItCannotRead) {
  const std::string fmt = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
  auto withFmt = [](std::size_t size) {
    return Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, size)) + Chunk("data", kFour));
  };
  auto shaped = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    return Riff(Chunk("fmt ", FmtBody(tag, channels, rate, bits)) + Chunk("data", kFour));
  };
  const std::vector<ChunkCase> cases = {
      {"foreign and odd chunks", ChunkSized("JUNK", 7, "1234567") + '\0' + Riff(Chunk("junk", "abc") + fmt +
           Chunk("LIST", "12345") + Chunk("data", kFour) + Chunk("fmt ", FmtBody(1, 2, 11025, 8))), 4, kFourRead},
      {"data before fmt is skipped", Riff(Chunk("data", "xx") + fmt + Chunk("data", kFour)), 4},
      {"fmt 13", withFmt(13), -1},
      {"fmt 14 has no bits", withFmt(14), -1},
      {"fmt 19 and its pad byte", withFmt(19), 4, kFourRead},
      {"fmt 8192", withFmt(8192), 4},
      {"fmt 8193", withFmt(8193), -1},
      {"0 channels", shaped(1, 0, 8000, 16), -1},
      {"255 channels", shaped(1, 255, 8000, 16), 0},
      {"256 channels", shaped(1, 256, 8000, 16), -1},
      {"rate 0", shaped(1, 1, 0, 16), -1},
      {"rate 196000", shaped(1, 1, 196000, 16), 4},
      {"rate 196001", shaped(1, 1, 196001, 16), -1},
      {"no codec", shaped(0x7777, 1, 8000, 8), -1},
      {"8-bit", WaveFile(2, 8000, 8, std::string("\x00\x80\xFF\x01", 4)), 2, {-128 * 4096, 0, 127 * 4096, -127 * 4096}},
      {"4-bit read as 8", WaveFile(1, 8000, 4, "\x90"), 1},
      {"12-bit read as 16", WaveFile(1, 8000, 12, kFour), 4},
      {"data beyond the file", Riff(fmt + ChunkSized("data", 2000, kFour)), 1000, {1600, -3200, 4800, -6400, 0, 0}},
      {"size past 2^31 frames saturates", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)) + ChunkSized("data", 0xFFFFFFF0u, "abcd")), INT32_MAX},
      {"empty", "", -1},
      {"short form header", std::string("RIFF\x04\0\0\0WAV", 11), -1},
      {"no data chunk", Riff(fmt), -1},
      {"no fmt chunk", Riff(Chunk("data", kFour)), -1},
      {"short chunk header", Riff(fmt + "dat"), -1},
      {"negative chunk size", Riff(ChunkSized("LIST", 0x80000000u, "") + fmt), -1},
      {"foreign chunk of size 4", ChunkSized("JUNK", 4, "WAVE") + Riff(fmt), -1},
      {"fmt cut off", Riff(ChunkSized("fmt ", 18, "short")), -1},
  };
  for (const ChunkCase& c : cases) {
    SCOPED_TRACE(c.what);
    LSoundSourceRef source = Open(c.bytes);
    ASSERT_EQ(source->IsError(), c.end < 0);
    if (c.end < 0) continue;
    EXPECT_TRUE(source->GetEndSample() == c.end && !source->IsStreaming()) << source->GetEndSample();
    EXPECT_EQ(ReadFrames(*source, static_cast<int32_t>(c.first.size()) / source->Channels()), c.first);
  }
  // A FIFO with no writer must not block the open.
  ASSERT_EQ(::mkfifo((dir_ / "fifo.wav").c_str(), 0600), 0);
  for (const std::string& path : {dir_ / "missing.wav", dir_.Path(), dir_ / "fifo.wav"})
    EXPECT_TRUE(LWaveFile::OpenSource(path)->IsError()) << path;
}

TEST_F(WaveSource, ReadsBlocksLargerThanItsBufferAndZerosAroundTheData) {
  std::vector<int16_t> samples;
  std::vector<int32_t> expected(2, 0);  // from frame -2 on
  for (int i = 0; i < 20000; ++i) samples.push_back(static_cast<int16_t>(i * 3 - 30000)), expected.push_back(samples.back() * 16);
  LSoundSourceRef source = Open(WaveFile(1, 8000, 16, Samples16(samples)));
  expected.resize(20005, 0);
  source->Seek(-2);
  EXPECT_EQ(ReadFrames(*source, 20005), expected);
  source->Seek(19999);
  EXPECT_TRUE(ReadFrames(*source, 2) == (std::vector<int32_t>{expected[20001], 0}) && source->GetPosition() == 20001);
}

TEST_F(WaveSource, StreamingFileFollowsTheWriterAndKeepsHalfFramesInStep) {
  const std::string path = dir_ / "in.wav";
  LSoundSourceRef source = Open(Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16))).substr(0, 36) +
                                "data" + Le32(0xFFFFFFFF) + Samples16({1, 2}) + "\x03");
  EXPECT_TRUE(source->GetEndSample() == 2 && source->IsStreaming()) << "a frame cut in half is not there yet";
  EXPECT_EQ(ReadFrames(*source, 3), (std::vector<int32_t>{16, 32, 0}));
  std::ofstream(path, std::ios::binary | std::ios::app) << std::string("\x00", 1) + Samples16({4});
  EXPECT_TRUE(source->GetEndSample() == 4 && source->IsStreaming());
  EXPECT_EQ(ReadFrames(*source, 2), (std::vector<int32_t>{48, 64}));

  // The writer finishes the header.
  std::fstream(path, std::ios::binary | std::ios::in | std::ios::out).seekp(40) << Le32(6);
  EXPECT_TRUE(source->GetEndSample() == 3 && !source->IsStreaming());
}

// Other writers round the average byte rate up (22050 Hz in blocks of 256
// bytes and 505 frames: 11177.8 stored as 11178); frames per block counted
// from it must not floor to 504, or every seek lands a frame per block off.
TEST_F(WaveSource, SeekInsideAnAdpcmBlockLandsExactly) {
  for (auto [rate, channels] : {std::pair{8000, 2}, std::pair{22050, 1}, std::pair{11025, 1}}) {
    LWaveFileFormat ima;
    ASSERT_TRUE(LSupportedFormats::Fill({LCodecImaAdpcm::kTag, static_cast<uint32_t>(rate), static_cast<uint16_t>(channels), 4, ""}, ima));
    ima.SetAvgBytesPerSec(ima.AvgBytesPerSec() + 1);
    TestSource tone(rate, channels, 20000, [](int32_t f, int c) {
      return ChainFrom16(static_cast<int16_t>(std::lround(12000 * std::sin(f * 0.05 + c))));
    });
    LWaveFile::OpenSink(dir_ / "ima.wav", ima)->Write(ReadFrames(tone, 20000).data(), 20000);

    LSoundSourceRef source = LWaveFile::OpenSource(dir_ / "ima.wav");
    const std::vector<int32_t> all = ReadFrames(*source, 24000);
    const int32_t end = source->GetEndSample();
    EXPECT_TRUE(end >= 20000 && end < 20000 + 1024) << end;
    for (int32_t frame : {0, 1, 504, 505, 506, 1000, 12345, 19999, end - 1, -20, end + 5000}) {
      std::vector<int32_t> expected;
      for (int32_t i = channels * frame; i < channels * (frame + 300); ++i) {
        expected.push_back(i >= 0 && i < channels * end ? all[static_cast<size_t>(i)] : 0);
      }
      source->Seek(frame);
      EXPECT_TRUE(source->GetPosition() == frame && ReadFrames(*source, 300) == expected) << rate << " Hz, frame " << frame;
    }
    EXPECT_LE(source->GetEndSample(), source->GetPosition());
  }
}

}  // namespace
