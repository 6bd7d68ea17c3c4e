#include <gtest/gtest.h>

#include "FilterTestSource.h"
#include "audio/LSRCHighPass.h"

namespace {

TEST(LSRCHighPass, CoefficientFollowsTheCornerFrequency) {
  EXPECT_EQ(LSRCHighPass::Coefficient(300, 8000), 53);
  EXPECT_EQ(LSRCHighPass::Coefficient(100, 8000), 19);
  EXPECT_EQ(LSRCHighPass::Coefficient(0, 8000), 0);
  EXPECT_EQ(LSRCHighPass::Coefficient(-300, 8000), 0) << "no unstable negative coefficient";
}

// Left: a DC offset that must go; right: a 1 kHz tone that must stay.
TEST(LSRCHighPass, RemovesDcAndPassesAToneOnEachChannel) {
  auto mixed = [tone = Tone(200000, 1000, 8000)](int32_t frame, int channel) {
    return channel == 0 ? 300000 : tone(frame, 0);
  };
  LSoundSourceRef filtered = new LSRCHighPass(new GeneratedSource(8000, 2, 16000, mixed), 300);
  const std::vector<int32_t> out = ReadFrames(*filtered, 16000);
  int32_t dcTail = 0;
  int32_t tonePeak = 0;
  for (size_t frame = 8000; frame < 16000; ++frame) {
    dcTail = std::max(dcTail, std::abs(out[frame * 2]));
    tonePeak = std::max(tonePeak, std::abs(out[frame * 2 + 1]));
  }
  EXPECT_LE(dcTail, 256) << "only the rounding residue of the 8-bit state remains";
  EXPECT_NEAR(tonePeak, 200000, 200000 * 0.12);
  EXPECT_GT(std::abs(out[0]), 290000) << "the step itself passes at first";
}

TEST(LSRCHighPass, AttenuatesBelowTheCorner) {
  LSoundSourceRef filtered =
      new LSRCHighPass(new GeneratedSource(8000, 1, 16000, Tone(200000, 20, 8000)), 300);
  const std::vector<int32_t> out = ReadFrames(*filtered, 16000);
  EXPECT_LT(PeakOf(out, 8000), 200000 / 8);
}

TEST(LSRCHighPass, SeekForgetsTheStateAndMaxLevelDoublesUpToALimit) {
  auto* upstream = new GeneratedSource(8000, 1, 4000, Tone(100000, 700, 8000));
  LSoundSourceRef filtered = new LSRCHighPass(upstream, 300);
  const std::vector<int32_t> first = ReadFrames(*filtered, 1000);
  filtered->Seek(0);
  EXPECT_EQ(upstream->GetPosition(), 0);
  EXPECT_EQ(ReadFrames(*filtered, 1000), first);

  EXPECT_EQ(filtered->MaxLevel(), 2u * kFullScale16);
  auto maxLevelAfter = [](uint32_t level) {
    return LSoundSourceRef(
               new LSRCHighPass(new GeneratedSource(8000, 1, 1, Constant(0), level), 300))
        ->MaxLevel();
  };
  EXPECT_EQ(maxLevelAfter(1048576), 2097152u);
  EXPECT_EQ(maxLevelAfter(1048577), 1048577u);
  EXPECT_EQ(maxLevelAfter(4194303), 4194303u);
}

}  // namespace
