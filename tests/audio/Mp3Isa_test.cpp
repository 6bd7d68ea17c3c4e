#include "audio/Mp3Isa.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "audio/Mp3Imdct.h"
#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Synthesis.h"

// The AVX2 builds of the decoder's loops against the baseline builds, which
// no stream test reaches on an AVX2 machine: the same input must give the
// same output bit for bit, state carried between calls included.
namespace {

class Mp3IsaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Mp3BestIsa() != Mp3Isa::kAvx2) GTEST_SKIP() << "this processor lacks AVX2";
  }
  float Random(float scale) {
    return std::uniform_real_distribution<float>(-scale, scale)(random_);
  }
  std::mt19937 random_{7};
};

TEST_F(Mp3IsaTest, SynthesisGivesTheSameSamples) {
  Mp3Synthesis baseline(Mp3Isa::kBaseline), avx2(Mp3Isa::kAvx2);
  float subbands[Mp3Synthesis::kSubbands][Mp3Synthesis::kRowLength];
  std::vector<int32_t> expected(18 * 32 * 2), actual(expected.size());
  for (float scale : {0.01f, 1.0f, 30.0f, 0.5f}) {  // 30: beyond the output's limit
    for (auto& row : subbands) {
      for (float& value : row) value = Random(scale);
    }
    baseline.Run(subbands, 18, expected.data(), 2);
    avx2.Run(subbands, 18, actual.data(), 2);
    ASSERT_EQ(expected, actual) << "scale " << scale;
  }
}

TEST_F(Mp3IsaTest, ImdctGivesTheSameSubbandsForEveryBlockType) {
  const Mp3Imdct baseline(Mp3Isa::kBaseline), avx2(Mp3Isa::kAvx2);
  float overlapBaseline[576] = {}, overlapAvx2[576] = {};
  // {block type, mixed, nonzero lines}: long, start, short, mixed, stop.
  const int blocks[][3] = {{0, 0, 576}, {0, 0, 200}, {1, 0, 576},
                           {2, 0, 576}, {2, 1, 400}, {3, 0, 100}};
  for (const auto& block : blocks) {
    Mp3GranuleInfo info;
    info.blockType = block[0];
    info.mixed = block[1] != 0;
    float lines[576] = {}, copy[576];
    for (int i = 0; i < block[2]; ++i) lines[i] = Random(1.0f);
    std::memcpy(copy, lines, sizeof lines);
    float expected[32][Mp3Imdct::kRowLength] = {}, actual[32][Mp3Imdct::kRowLength] = {};
    baseline.Process(info, 0, lines, block[2], overlapBaseline, expected);
    avx2.Process(info, 0, copy, block[2], overlapAvx2, actual);
    EXPECT_EQ(0, std::memcmp(expected, actual, sizeof expected)) << "block type " << block[0];
    EXPECT_EQ(0, std::memcmp(overlapBaseline, overlapAvx2, sizeof overlapAvx2))
        << "block type " << block[0];
  }
}

}  // namespace
