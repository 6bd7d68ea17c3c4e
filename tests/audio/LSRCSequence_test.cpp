#include "audio/LSRCSequence.h"

#include <gtest/gtest.h>

#include <vector>

#include "PumpTestSupport.h"
#include "audio/LSRCNull.h"

namespace {

std::vector<int32_t> ReadFrames(LSoundSourceBase& source, int32_t frames) {
  std::vector<int32_t> samples(static_cast<size_t>(frames) * source.Channels(), -1);
  source.Read(samples.data(), frames);
  return samples;
}

// The frames a 100-frame ramp followed by a 50-frame ramp hold from `from` on.
std::vector<int32_t> Expected(int32_t from, int32_t frames) {
  std::vector<int32_t> samples;
  for (int32_t f = from; f < from + frames; ++f) {
    samples.push_back(f < 0 || f >= 150 ? 0 : f < 100 ? RampSample(f, 0) : RampSample(f - 100, 0));
  }
  return samples;
}

LRef<LSRCSequence> TwoRamps() {
  LRef<LSRCSequence> sequence = new LSRCSequence(8000, 1);
  EXPECT_TRUE(sequence->Append(new RampSource(8000, 1, 100)));
  EXPECT_TRUE(sequence->Append(new RampSource(8000, 1, 50)));
  return sequence;
}

TEST(LSRCSequence, EmptySequenceIsSilenceOfLengthZero) {
  LSRCSequence sequence(11025, 1);
  EXPECT_FALSE(sequence.IsError());
  EXPECT_EQ(sequence.GetEndSample(), 0);
  EXPECT_EQ(ReadFrames(sequence, 10), std::vector<int32_t>(10, 0));
  EXPECT_EQ(sequence.GetPosition(), 10);
  EXPECT_FALSE(sequence.IsStreaming());
}

TEST(LSRCSequence, PartsFollowEachOtherInAnyBlockSize) {
  LRef<LSRCSequence> whole = TwoRamps();
  EXPECT_EQ(whole->GetEndSample(), 150);
  EXPECT_EQ(ReadFrames(*whole, 8192), Expected(0, 8192));
  EXPECT_EQ(whole->GetPosition(), 8192);

  LRef<LSRCSequence> pieces = TwoRamps();
  std::vector<int32_t> joined;
  for (int i = 0; i < 30; ++i) {
    std::vector<int32_t> piece = ReadFrames(*pieces, 7);
    joined.insert(joined.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(joined, Expected(0, 210));
}

TEST(LSRCSequence, SeeksAcrossPartsAndBeforeTheStart) {
  LRef<LSRCSequence> sequence = TwoRamps();
  sequence->Seek(120);
  EXPECT_EQ(ReadFrames(*sequence, 40), Expected(120, 40));
  sequence->Seek(95);
  EXPECT_EQ(ReadFrames(*sequence, 10), Expected(95, 10)) << "back into the first part";
  sequence->Seek(-5);
  EXPECT_EQ(ReadFrames(*sequence, 10), Expected(-5, 10));
  EXPECT_EQ(sequence->GetPosition(), 5);
}

TEST(LSRCSequence, SourcesInErrorContributeNothing) {
  LRef<LSRCSequence> sequence = new LSRCSequence(8000, 1);
  EXPECT_FALSE(sequence->Append(new LSRCNull));
  EXPECT_FALSE(sequence->Append(new RampSource(0, 1, 100)));
  EXPECT_FALSE(sequence->Append(LSoundSourceRef()));
  EXPECT_FALSE(sequence->Append(new RampSource(8000, 3, 100))) << "no conversion from 3 channels";
  EXPECT_TRUE(sequence->Append(new RampSource(8000, 1, 100)));
  EXPECT_EQ(sequence->Parts(), 1);
  EXPECT_EQ(sequence->GetEndSample(), 100);
}

TEST(LSRCSequence, AGrowingPartPushesTheNextOneBack) {
  LRef<LSRCSequence> sequence = new LSRCSequence(8000, 1);
  LRef<RampSource> growing = new RampSource(8000, 1, 10);
  growing->Grow(10, 30);
  sequence->Append(growing);
  sequence->Append(new RampSource(8000, 1, 5));
  EXPECT_TRUE(sequence->IsStreaming());
  EXPECT_EQ(sequence->GetEndSample(), 15);
  std::vector<int32_t> samples;
  while (sequence->GetPosition() < sequence->GetEndSample()) {
    std::vector<int32_t> piece = ReadFrames(*sequence, 4);
    samples.insert(samples.end(), piece.begin(), piece.end());
  }
  EXPECT_FALSE(sequence->IsStreaming());
  EXPECT_EQ(sequence->GetEndSample(), 35);
  ASSERT_GE(samples.size(), 35u);
  EXPECT_EQ(samples[29], RampSample(29, 0));
  EXPECT_EQ(samples[30], RampSample(0, 0)) << "the second part starts at the first's final end";
  EXPECT_EQ(samples[34], RampSample(4, 0));
}

TEST(LSRCSequence, AppendedSourcesAreConvertedToTheSequenceFormat) {
  LRef<LSRCSequence> sequence = new LSRCSequence(11025, 1);
  ASSERT_TRUE(sequence->Append(new RampSource(22050, 2, 22050, 2 * kFullScale16)));
  ASSERT_TRUE(sequence->Append(new RampSource(11025, 1, 100)));
  EXPECT_EQ(sequence->Channels(), 1);
  EXPECT_NEAR(sequence->GetEndSample(), 11025 + 100, 20);
  EXPECT_GE(sequence->MaxLevel(), 2 * kFullScale16) << "the loudest part sets the level";
}

}  // namespace
