#include <gtest/gtest.h>

#include "FilterTestSource.h"
#include "audio/LSPConvChannels.h"
#include "audio/LSRCMonoToStereo.h"
#include "audio/LSRCNull.h"
#include "audio/LSRCStereoToMono.h"

namespace {

int32_t Numbered(int32_t frame, int channel) { return frame * 10 + channel; }

TEST(LSRCStereoToMono, KeepsTheLeftChannelAlsoBeyondOneBuffer) {
  LSoundSourceRef mono =
      new LSRCStereoToMono(new GeneratedSource(8000, 2, 20000, Numbered, 700000));
  EXPECT_EQ(mono->Channels(), 1);
  EXPECT_EQ(mono->MaxLevel(), 700000u);
  ReadFrames(*mono, 3);
  const std::vector<int32_t> out = ReadFrames(*mono, 10000);
  for (int32_t i = 0; i < 10000; ++i) ASSERT_EQ(out[static_cast<size_t>(i)], (i + 3) * 10) << i;
  EXPECT_EQ(mono->GetPosition(), 10003);
}

TEST(LSRCMonoToStereo, CopiesEverySampleToBothChannels) {
  LSoundSourceRef stereo = new LSRCMonoToStereo(new GeneratedSource(8000, 1, 20000, Numbered));
  EXPECT_EQ(stereo->Channels(), 2);
  const std::vector<int32_t> out = ReadFrames(*stereo, 9000);
  for (int32_t i = 0; i < 9000; ++i) {
    ASSERT_EQ(out[static_cast<size_t>(i) * 2], i * 10) << i;
    ASSERT_EQ(out[static_cast<size_t>(i) * 2 + 1], i * 10) << i;
  }
}

TEST(LSPConvChannels, ConvertsOnlyBetweenMonoAndStereo) {
  LSoundSourceRef mono = new GeneratedSource(8000, 1, 10, Numbered);
  LSoundSourceRef stereo = new GeneratedSource(8000, 2, 10, Numbered);
  LSoundSourceRef three = new GeneratedSource(8000, 3, 10, Numbered);
  LSoundSourceRef failed = new LSRCNull;

  EXPECT_EQ(LSPConvChannels(2).OpenSource(mono)->Channels(), 2);
  EXPECT_EQ(LSPConvChannels(1).OpenSource(stereo)->Channels(), 1);
  EXPECT_EQ(LSPConvChannels(1).OpenSource(mono).Get(), mono.Get());
  EXPECT_EQ(LSPConvChannels(2).OpenSource(stereo).Get(), stereo.Get());
  EXPECT_EQ(LSPConvChannels(1).OpenSource(three).Get(), three.Get());
  EXPECT_EQ(LSPConvChannels(3).OpenSource(stereo).Get(), stereo.Get());
  EXPECT_EQ(LSPConvChannels(0).OpenSource(stereo).Get(), stereo.Get());
  EXPECT_EQ(LSPConvChannels(2).OpenSource(failed).Get(), failed.Get());
}

}  // namespace
