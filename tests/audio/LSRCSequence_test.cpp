#include "audio/LSRCSequence.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "TestSources.h"
#include "audio/LPromptList.h"
#include "audio/LSRCGain.h"
#include "audio/LSRCNull.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

namespace {

// The frames a 100-frame ramp followed by a 50-frame ramp hold from `from` on.
std::vector<int32_t> Expected(int32_t from, int32_t frames) {
  std::vector<int32_t> samples;
  for (int32_t f = from; f < from + frames; ++f) {
    samples.push_back(f < 0 || f >= 150 ? 0 : f < 100 ? RampSample(f, 0) : RampSample(f - 100, 0));
  }
  return samples;
}

// Reads `count` pieces of `frames` (count 0: up to the end).
std::vector<int32_t> InPieces(LSoundSourceBase& source, int32_t frames, int count) {
  std::vector<int32_t> samples;
  for (int i = 0; count ? i < count : source.GetPosition() < source.GetEndSample(); ++i) {
    const std::vector<int32_t> piece = ReadFrames(source, frames);
    samples.insert(samples.end(), piece.begin(), piece.end());
  }
  return samples;
}

TEST(LSRCSequence, PartsFollowEachOtherInAnyBlockSizeAndSeeksCrossThem) {
  LSRCSequence sequence(8000, 1);
  // Sources in error, or of 3 channels (no conversion), contribute nothing.
  for (LSoundSourceRef refused : {LSoundSourceRef(new LSRCNull), LSoundSourceRef(new TestSource(0, 1, 100)),
                                  LSoundSourceRef(), LSoundSourceRef(new TestSource(8000, 3, 100))})
    EXPECT_FALSE(sequence.Append(refused));
  EXPECT_TRUE(!sequence.IsError() && !sequence.IsStreaming() && sequence.GetEndSample() == 0);
  EXPECT_EQ(ReadFrames(sequence, 10), std::vector<int32_t>(10, 0));
  sequence.Seek(0);
  EXPECT_TRUE(sequence.Append(new TestSource(8000, 1, 100)) && sequence.Append(new TestSource(8000, 1, 50)));
  EXPECT_TRUE(sequence.Parts() == 2 && sequence.GetEndSample() == 150);
  EXPECT_EQ(InPieces(sequence, 7, 30), Expected(0, 210));
  for (int32_t target : {120, 95, -5, 0}) {
    sequence.Seek(target);
    EXPECT_EQ(ReadFrames(sequence, 8192), Expected(target, 8192)) << target;
    EXPECT_EQ(sequence.GetPosition(), target + 8192);
  }
}

TEST(LSRCSequence, AGrowingPartPushesTheNextOneBack) {
  LSRCSequence sequence(8000, 1);
  LRef<TestSource> growing = new TestSource(8000, 1, 10);
  growing->Grow(10, 30);
  EXPECT_TRUE(sequence.Append(growing) && sequence.Append(new TestSource(8000, 1, 5)));
  EXPECT_TRUE(sequence.IsStreaming() && sequence.GetEndSample() == 15);
  std::vector<int32_t> samples = InPieces(sequence, 4, 0);
  EXPECT_TRUE(!sequence.IsStreaming() && sequence.GetEndSample() == 35);
  // The second part starts at the first's final end.
  samples.resize(35);
  EXPECT_EQ(std::vector<int32_t>(samples.begin() + 29, samples.end()),
            (std::vector<int32_t>{RampSample(29, 0), 1, 2, 3, 4, 5}));
}

// A prompt list is a sequence of files: missing and unreadable ones
// contribute nothing, and names match whatever their case.
TEST(LPromptList, PlaysTheReadableFilesInOrderWhateverTheCaseOfTheirNames) {
  TempDir dir;
  std::vector<int32_t> expected;
  for (auto [name, frames] : {std::pair{"One.wav", 100}, {"two.wav", 50}}) {
    TestSource ramp(8000, 1, frames, [](int32_t f, int) { return RampSample(f, 0) * 16; });
    const std::vector<int32_t> samples = ReadFrames(ramp, frames);
    LWaveFile::OpenSinkPCM(dir / name, 8000, 0, 16, 1)->Write(samples.data(), frames);
    expected.insert(expected.end(), samples.begin(), samples.end());
  }
  expected.resize(160, 0);
  std::ofstream(dir / "bad.wav") << "not a sound";
  EXPECT_EQ(LPromptList(dir.Path()).OpenSource(8000, 1)->GetEndSample(), 0) << "empty: silence";

  LPromptList list(dir.Path());
  list.Add("one"), list.Add("Missing"), list.AddFile(dir / "bad.wav"), list.Add("TWO");
  EXPECT_EQ(list.Files(), (std::vector<std::string>{dir / "one.wav", dir / "Missing.wav", dir / "bad.wav", dir / "TWO.wav"}));
  LSoundSourceRef source = list.OpenSource(8000, 1);
  ASSERT_TRUE(!source->IsError() && source->GetEndSample() == 150);
  EXPECT_EQ(ReadFrames(*source, 160), expected);
  LSoundSourceRef stereo = list.OpenSource(16000, 2);
  EXPECT_TRUE(stereo->Channels() == 2 && stereo->SampleRate() == 16000 && std::abs(stereo->GetEndSample() - 300) <= 3);
}

}  // namespace
