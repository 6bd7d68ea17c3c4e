#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "Mp3TestSupport.h"
#include "TestSources.h"
#include "WaveTestFiles.h"
#include "audio/LWaveFile.h"
#include "audio/MP3Header.h"
#include "support/TempDir.h"

namespace {

using mp3test::DecodeAll;

// Three short streams, made once: 44.1 kHz joint stereo, the same with a
// trailing tag, and 8 kHz mono.
class Mp3SourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool ready =
        mp3test::ToolsPresent() && mp3test::MakeSignal(Path("s44.wav"), 44100, 2) &&
        mp3test::Encode(Path("s44.wav"), Path("cbr44.mp3"), "-b 128 -m j") &&
        mp3test::Encode(Path("s44.wav"), Path("tagged44.mp3"), "-b 128 -m j --id3v1-only --tt Greeting") &&
        mp3test::MakeSignal(Path("s8.wav"), 8000, 1) && mp3test::Encode(Path("s8.wav"), Path("cbr8.mp3"), "-b 8 -m m");
    if (!ready) GTEST_SKIP() << "sox or lame missing";
  }
  static std::string Path(const std::string& name) {
    static const TempDir dir;
    return dir / name;
  }
};

// Frames that lie wholly before the file's last 128 bytes, by walking the
// headers of a stream without gaps.
int64_t FramesInBudget(const std::string& bytes, int& samplesPerFrame) {
  int64_t frames = 0;
  MP3Header header;
  for (std::size_t at = 0; at + 4 <= bytes.size() && MP3Header::Parse(reinterpret_cast<const uint8_t*>(&bytes[at]), header);
       at += static_cast<std::size_t>(header.FrameBytes())) {
    samplesPerFrame = header.SamplesPerFrame();
    frames += at + static_cast<std::size_t>(header.FrameBytes()) + 128 <= bytes.size();
  }
  return frames;
}

// On a constant bit rate the length is exact at open, and a seek lands
// within one frame, before the start in silence.
TEST_F(Mp3SourceTest, LengthIsExactAtOpenAndSeeksLandWithinOne) {
  for (const char* name : {"cbr44.mp3", "tagged44.mp3", "cbr8.mp3"}) {
    SCOPED_TRACE(name);
    int samplesPerFrame = 0;
    const int64_t exact = FramesInBudget(FileText(Path(name)), samplesPerFrame) * samplesPerFrame;
    LSoundSourceRef source = LMP3Source::Open(Path(name));
    ASSERT_FALSE(source->IsError());
    EXPECT_TRUE(source->MaxLevel() == 2097152u && source->GetEndSample() == exact);
    const std::vector<int32_t> all = DecodeAll(*source);
    const int channels = source->Channels();
    EXPECT_TRUE(source->GetEndSample() == exact && static_cast<int64_t>(all.size()) == exact * channels &&
                PeakOf(all) > 100000);
    // Whether `block` holds the whole decoding from frame `from` on, zeros outside it.
    auto matches = [&](const std::vector<int32_t>& block, int64_t from) {
      for (std::size_t i = 0; i < block.size(); ++i) {
        const int64_t at = from * channels + static_cast<int64_t>(i);
        if (block[i] != (at < 0 || at >= static_cast<int64_t>(all.size()) ? 0 : all[static_cast<std::size_t>(at)])) return false;
      }
      return true;
    };
    for (int64_t target : {int64_t{0}, int64_t{700}, int64_t{5000}, exact / 2, exact - 4000, int64_t{-100}}) {
      source->Seek(static_cast<int32_t>(target));
      const std::vector<int32_t> block = ReadFrames(*source, 3000);
      EXPECT_EQ(source->GetPosition(), target + 3000) << target;
      bool found = target < 0 && matches(block, target);
      for (int64_t shift = -1152; shift <= 1152 && !found && target >= 0; ++shift)
        found = target + shift >= 0 && matches(block, target + shift);
      EXPECT_TRUE(found) << target;
    }
  }
}

// Sets `count` bytes from `offset` in every 72-byte frame to all ones.
void FillFrames(std::string& bytes, std::size_t offset, std::size_t count) {
  for (std::size_t at = 0; at + 72 <= bytes.size(); at += 72) std::fill_n(bytes.begin() + at + offset, count, '\xFF');
}

// What bad input does: refused at open, or decoded to a clean end.
TEST_F(Mp3SourceTest, BadInputGivesSilenceOrACleanEnd) {
  const std::string clean = FileText(Path("cbr8.mp3"));
  LSoundSourceRef reference = LMP3Source::Open(Path("cbr8.mp3"));
  const std::vector<int32_t> expected = DecodeAll(*reference);
  const auto mutated = [&](const std::function<void(std::string&)>& change) { std::string b = clean; return change(b), b; };
  const std::string id3 = std::string("ID3\3\0\0\0\0\x0F\x50", 10) + std::string(2000, '\0');  // 2000 bytes follow
  // Cover art: 40000 bytes of tag, more than the sync search would cross.
  const std::string coverArt = std::string("ID3\4\0\0\0\x02\x38\x40", 10) + std::string(40000, '\xFF');
  std::string freeFormat;
  for (int i = 0; i < 50; ++i) freeFormat += std::string("\xFF\xFB\0\0", 4) + std::string(400, '\0');
  enum Expect { kError, kSameAudio, kCleanEnd };
  const std::tuple<const char*, std::string, Expect> cases[] = {
      {"empty file", "", kError},
      {"file of zeros", std::string(30000, '\0'), kError},
      {"1000 bytes before the stream", std::string(1000, 'A') + clean, kSameAudio},
      {"20000 bytes before the stream", std::string(20000, 'A') + clean, kError},
      {"ID3v2 tag at the start", id3 + clean, kSameAudio},
      {"ID3v2 tag larger than the sync search", coverArt + clean, kSameAudio},
      {"free-format frames", freeFormat, kError},
      {"cut inside a frame", clean.substr(0, clean.size() / 2 + 37), kCleanEnd},
      {"garbage between frames", mutated([](auto& b) { b.insert(720, 300, 'Z'); }), kCleanEnd},
      {"another sample rate mid-file", mutated([](auto& b) { b[72 * 5 + 2] ^= 0x04; }), kCleanEnd},
      {"side information all ones", mutated([](auto& b) { FillFrames(b, 4, 9); }), kCleanEnd},
      {"main data all ones", mutated([](auto& b) { FillFrames(b, 13, 59); }), kCleanEnd},
      {"random bytes flipped", mutated([](auto& b) {
         std::srand(7);
         for (int i = 0; i < 300; ++i) b[static_cast<std::size_t>(std::rand()) % b.size()] ^= '\xA5';
       }), kCleanEnd},
  };
  TempDir dir;
  for (const auto& [name, bytes, expect] : cases) {
    SCOPED_TRACE(name);
    wave_test::WriteBytes(dir / "bad.mp3", bytes);
    LSoundSourceRef source = LMP3Source::Open(dir / "bad.mp3");
    EXPECT_EQ(source->IsError(), expect == kError);
    const std::vector<int32_t> all = DecodeAll(*source);
    EXPECT_TRUE(PeakOf(all) <= 2097152 && (expect != kError || source->GetEndSample() == 0) &&
                (expect != kSameAudio || all == expected) && source->GetEndSample() <= reference->GetEndSample() + 576 * 8);
  }
}

// Layer III inside a WAVE file (format tag 0x55) decodes through the codec
// set to what the MP3 source gives for the same frames.
TEST_F(Mp3SourceTest, WaveFilesWithLayerIIIDecodeLikeTheSource) {
  using namespace wave_test;
  // 1000 bytes per second, byte-aligned, no extra bytes.
  const std::string fmt = Le16(0x55) + Le16(1) + Le32(8000) + Le32(1000) + Le16(1) + Le16(0) + Le16(0);
  TempDir dir;
  WriteBytes(dir / "mp3.wav", Riff(Chunk("fmt ", fmt) + Chunk("data", FileText(Path("cbr8.mp3")))));
  const std::vector<int32_t> viaCodec = DecodeAll(*LWaveFile::OpenSource(dir / "mp3.wav"));
  const std::vector<int32_t> viaSource = DecodeAll(*LMP3Source::Open(Path("cbr8.mp3")));
  ASSERT_GE(viaCodec.size(), viaSource.size());
  for (std::size_t i = 0; i < viaSource.size(); ++i) ASSERT_NEAR(viaCodec[i], std::clamp(viaSource[i], -524288, 524272), 8) << i;
}

}  // namespace
