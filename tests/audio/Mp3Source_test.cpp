#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "Mp3TestSupport.h"
#include "WaveTestFiles.h"
#include "audio/AudioCommand.h"
#include "audio/LWaveFile.h"
#include "audio/MP3Header.h"
#include "core/CommandLine.h"
#include "support/TempDir.h"

namespace {

using mp3test::DecodeAll;

// A short stream per test file, made once.
class Mp3SourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!mp3test::ToolsPresent()) return;
    dir_ = new TempDir;
    ready_ = mp3test::MakeSignal(*dir_ / "s44.wav", 44100, 2, 2.0) &&
             mp3test::Encode(*dir_ / "s44.wav", *dir_ / "cbr44.mp3", "-b 128 -m j") &&
             mp3test::MakeSignal(*dir_ / "s8.wav", 8000, 1, 2.0) &&
             mp3test::Encode(*dir_ / "s8.wav", *dir_ / "cbr8.mp3", "-b 8 -m m");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "sox or lame missing";
  }
  static std::string Path(const std::string& name) { return *dir_ / name; }

  // Frames that lie wholly before the file's last 128 bytes, by walking
  // the headers of a stream without gaps.
  static int64_t FramesInBudget(const std::vector<uint8_t>& bytes, int& samplesPerFrame) {
    int64_t frames = 0;
    MP3Header header;
    for (std::size_t at = 0; at + 4 <= bytes.size() && MP3Header::Parse(&bytes[at], header);
         at += static_cast<std::size_t>(header.FrameBytes())) {
      samplesPerFrame = header.SamplesPerFrame();
      if (at + static_cast<std::size_t>(header.FrameBytes()) + 128 <= bytes.size()) ++frames;
    }
    return frames;
  }

  static TempDir* dir_;
  static bool ready_;
};

TempDir* Mp3SourceTest::dir_ = nullptr;
bool Mp3SourceTest::ready_ = false;

TEST_F(Mp3SourceTest, LengthIsEstimatedWithinAFrameAndExactAfterDecoding) {
  for (const char* name : {"cbr44.mp3", "cbr8.mp3"}) {
    SCOPED_TRACE(name);
    int samplesPerFrame = 0;
    const int64_t frames = FramesInBudget(mp3test::ReadAll(Path(name)), samplesPerFrame);
    const int64_t exact = frames * samplesPerFrame;
    LSoundSourceRef source = LMP3Source::Open(Path(name));
    ASSERT_FALSE(source->IsError());
    EXPECT_EQ(source->MaxLevel(), 2097152u);
    EXPECT_LE(std::abs(source->GetEndSample() - exact), samplesPerFrame);
    const std::vector<int32_t> all = DecodeAll(*source);
    EXPECT_EQ(source->GetEndSample(), exact);
    EXPECT_EQ(static_cast<int64_t>(all.size()), exact * source->Channels());
    EXPECT_TRUE(
        std::any_of(all.begin(), all.end(), [](int32_t v) { return std::abs(v) > 100000; }));
  }
}

TEST_F(Mp3SourceTest, SeekOnConstantBitRateLandsWithinOneFrame) {
  LSoundSourceRef source = LMP3Source::Open(Path("cbr44.mp3"));
  const std::vector<int32_t> all = DecodeAll(*source);
  const int channels = source->Channels();
  constexpr int32_t kSpan = 3000;
  for (int32_t target : {0, 700, 5000, 37000, 60000}) {
    SCOPED_TRACE(target);
    source->Seek(target);
    std::vector<int32_t> block(static_cast<std::size_t>(kSpan) * channels);
    source->Read(block.data(), kSpan);
    EXPECT_EQ(source->GetPosition(), target + kSpan);
    bool found = false;
    for (int32_t shift = -1152; shift <= 1152 && !found; ++shift) {
      const int64_t from = int64_t{target} + shift;
      if (from < 0 || (from + kSpan) * channels > static_cast<int64_t>(all.size())) continue;
      found = std::equal(block.begin(), block.end(), all.begin() + from * channels);
    }
    EXPECT_TRUE(found);
  }
  source->Seek(-100);
  std::vector<int32_t> block(300 * static_cast<std::size_t>(channels));
  source->Read(block.data(), 300);
  EXPECT_TRUE(
      std::all_of(block.begin(), block.begin() + 100 * channels, [](int32_t v) { return v == 0; }));
  EXPECT_TRUE(std::equal(block.begin() + 100 * channels, block.end(), all.begin()));
}

// What bad input does: refused at open, or decoded to a clean end.
TEST_F(Mp3SourceTest, BadInputGivesSilenceOrACleanEnd) {
  const std::vector<uint8_t> clean = mp3test::ReadAll(Path("cbr8.mp3"));
  LSoundSourceRef reference = LMP3Source::Open(Path("cbr8.mp3"));
  const std::vector<int32_t> expected = DecodeAll(*reference);
  const auto prefixed = [&](std::vector<uint8_t> prefix) {
    prefix.insert(prefix.end(), clean.begin(), clean.end());
    return prefix;
  };
  const auto mutated = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> bytes = clean;
    change(bytes);
    return bytes;
  };
  std::vector<uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 15, 0x50};  // 2000 bytes follow
  id3.resize(2010, 0);
  std::vector<uint8_t> freeFormat;
  for (int i = 0; i < 50; ++i) {
    freeFormat.insert(freeFormat.end(), {0xFF, 0xFB, 0x00, 0x00});
    freeFormat.resize(freeFormat.size() + 400, 0);
  }
  enum Expect { kError, kSameAudio, kCleanEnd };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    Expect expect;
  } cases[] = {
      {"empty file", {}, kError},
      {"file of zeros", std::vector<uint8_t>(30000, 0), kError},
      {"1000 bytes before the stream", prefixed(std::vector<uint8_t>(1000, 'A')), kSameAudio},
      {"20000 bytes before the stream", prefixed(std::vector<uint8_t>(20000, 'A')), kError},
      {"ID3v2 tag at the start", prefixed(id3), kSameAudio},
      {"free-format frames", freeFormat, kError},
      {"cut inside a frame", mutated([](auto& b) { b.resize(b.size() / 2 + 37); }), kCleanEnd},
      {"garbage between frames", mutated([](auto& b) { b.insert(b.begin() + 720, 300, 0x5A); }),
       kCleanEnd},
      {"another sample rate mid-file", mutated([](auto& b) { b[72 * 5 + 2] ^= 0x04; }), kCleanEnd},
      {"side information all ones", mutated([](auto& b) {
         for (std::size_t at = 0; at + 72 <= b.size(); at += 72)
           std::fill_n(b.begin() + at + 4, 9, 0xFF);
       }),
       kCleanEnd},
      {"main data all ones", mutated([](auto& b) {
         for (std::size_t at = 0; at + 72 <= b.size(); at += 72)
           std::fill_n(b.begin() + at + 13, 59, 0xFF);
       }),
       kCleanEnd},
      {"random bytes flipped", mutated([](auto& b) {
         std::srand(7);
         for (int i = 0; i < 300; ++i) b[static_cast<std::size_t>(std::rand()) % b.size()] ^= 0xA5;
       }),
       kCleanEnd},
  };
  TempDir dir;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    mp3test::WriteAll(dir / "bad.mp3", c.bytes);
    LSoundSourceRef source = LMP3Source::Open(dir / "bad.mp3");
    EXPECT_EQ(source->IsError(), c.expect == kError);
    const std::vector<int32_t> all = DecodeAll(*source);
    EXPECT_TRUE(
        std::all_of(all.begin(), all.end(), [](int32_t v) { return std::abs(v) <= 2097152; }));
    if (c.expect == kError) {
      EXPECT_EQ(source->GetEndSample(), 0);
    } else if (c.expect == kSameAudio) {
      EXPECT_EQ(all, expected);
    } else {
      EXPECT_LE(source->GetEndSample(), reference->GetEndSample() + 576 * 8);
    }
  }
}

// Layer III inside a WAVE file (format tag 0x55) decodes through the codec
// set to what the MP3 source gives for the same frames.
TEST_F(Mp3SourceTest, WaveFilesWithLayerIIIDecodeLikeTheSource) {
  const std::vector<uint8_t> mp3 = mp3test::ReadAll(Path("cbr8.mp3"));
  using wave_test::Le16;
  using wave_test::Le32;
  // 1000 bytes per second, byte-aligned, no extra bytes.
  const std::string fmt =
      Le16(0x55) + Le16(1) + Le32(8000) + Le32(1000) + Le16(1) + Le16(0) + Le16(0);
  const std::string wave =
      wave_test::Riff(wave_test::Chunk("fmt ", fmt) +
                      wave_test::Chunk("data", std::string(mp3.begin(), mp3.end())));
  TempDir dir;
  wave_test::WriteBytes(dir / "mp3.wav", wave);
  LSoundSourceRef fromWave = LWaveFile::OpenSource(dir / "mp3.wav");
  ASSERT_FALSE(fromWave->IsError());
  const std::vector<int32_t> viaCodec = DecodeAll(*fromWave);
  LSoundSourceRef direct = LMP3Source::Open(Path("cbr8.mp3"));
  const std::vector<int32_t> viaSource = DecodeAll(*direct);
  ASSERT_GE(viaCodec.size(), viaSource.size());
  for (std::size_t i = 0; i < viaSource.size(); ++i) {
    ASSERT_NEAR(viaCodec[i], std::clamp(viaSource[i], -524288, 524272), 8) << i;
  }
}

TEST_F(Mp3SourceTest, AudioCommandReadsAndConvertsMp3) {
  TempDir dir;
  CommandLine info;
  info.arguments = {"info", Path("cbr44.mp3")};
  EXPECT_EQ(RunAudioCommand(info), 0);
  CommandLine convert;
  convert.arguments = {"convert", Path("cbr44.mp3"), dir / "out.wav"};
  ASSERT_EQ(RunAudioCommand(convert), 0);
  LSoundSourceRef out = LWaveFile::OpenSource(dir / "out.wav");
  ASSERT_FALSE(out->IsError());
  EXPECT_EQ(out->SampleRate(), 8000);
  EXPECT_EQ(out->Channels(), 1);
  EXPECT_NEAR(out->GetEndSample(), 2 * 8000 + 1000, 1000);  // 2 s plus the codec's delay
}

}  // namespace
