#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "audio/Mp3Dequantizer.h"
#include "audio/Mp3Imdct.h"
#include "audio/Mp3ScaleFactors.h"
#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Synthesis.h"

// The AVX2 builds of the decoder's loops against the baseline builds: the
// same input must give the same output bit for bit, state carried between
// calls included.
namespace {

class Mp3IsaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Mp3BestIsa() != Mp3Isa::kAvx2) GTEST_SKIP() << "this processor lacks AVX2";
  }
  float Random(float scale) { return std::uniform_real_distribution<float>(-scale, scale)(random_); }
  std::mt19937 random_{7};
};

TEST_F(Mp3IsaTest, SynthesisGivesTheSameSamples) {
  Mp3Synthesis baseline(Mp3Isa::kBaseline);
  Mp3Synthesis avx2(Mp3Isa::kAvx2);
  float subbands[Mp3Synthesis::kSubbands][Mp3Synthesis::kRowLength];
  std::vector<int32_t> expected(18 * 32 * 2), actual(expected.size());
  // Loud blocks drive the output into its limit; stereo stride 2.
  for (float scale : {0.01f, 1.0f, 30.0f, 0.5f}) {
    for (auto& row : subbands) {
      for (float& value : row) value = Random(scale);
    }
    baseline.Run(subbands, 18, expected.data(), 2);
    avx2.Run(subbands, 18, actual.data(), 2);
    ASSERT_EQ(expected, actual) << "scale " << scale;
  }
}

struct BlockCase {
  const char* name;
  int blockType;
  bool mixed;
  int nonzero;
};

constexpr BlockCase kBlocks[] = {
    {"long", 0, false, 576}, {"long, top silent", 0, false, 200}, {"start", 1, false, 576},
    {"short", 2, false, 576}, {"mixed", 2, true, 400},             {"stop", 3, false, 100},
};

TEST_F(Mp3IsaTest, ImdctGivesTheSameSubbandsForEveryBlockType) {
  const Mp3Imdct baseline(Mp3Isa::kBaseline);
  const Mp3Imdct avx2(Mp3Isa::kAvx2);
  float overlapBaseline[576] = {};
  float overlapAvx2[576] = {};
  for (const BlockCase& block : kBlocks) {
    Mp3GranuleInfo info;
    info.blockType = block.blockType;
    info.mixed = block.mixed;
    float lines[576] = {};
    for (int i = 0; i < block.nonzero; ++i) lines[i] = Random(1.0f);
    float copy[576];
    std::memcpy(copy, lines, sizeof lines);
    float expected[32][Mp3Imdct::kRowLength] = {};  // the padding is never written
    float actual[32][Mp3Imdct::kRowLength] = {};
    baseline.Process(info, 0, lines, block.nonzero, overlapBaseline, expected);
    avx2.Process(info, 0, copy, block.nonzero, overlapAvx2, actual);
    EXPECT_EQ(0, std::memcmp(expected, actual, sizeof expected)) << block.name;
    EXPECT_EQ(0, std::memcmp(overlapBaseline, overlapAvx2, sizeof overlapAvx2)) << block.name;
  }
}

TEST_F(Mp3IsaTest, RequantisationGivesTheSameLines) {
  const Mp3Dequantizer baseline(Mp3Isa::kBaseline);
  const Mp3Dequantizer avx2(Mp3Isa::kAvx2);
  std::uniform_int_distribution<int> value(-8300, 8300);  // beyond the largest a stream can code
  for (const BlockCase& block : kBlocks) {
    Mp3GranuleInfo info;
    info.blockType = block.blockType;
    info.mixed = block.mixed;
    info.globalGain = 180;
    info.subblockGain[1] = 3;
    Mp3ScaleFactors factors;
    factors.longBand[5] = 9;
    factors.shortBand[4][2] = 7;
    int values[576] = {};
    for (int i = 0; i < block.nonzero; ++i) values[i] = i % 5 == 0 ? 0 : value(random_);
    float expected[576];
    float actual[576];
    baseline.Requantize(values, block.nonzero, info, factors, 3, expected);
    avx2.Requantize(values, block.nonzero, info, factors, 3, actual);
    EXPECT_EQ(0, std::memcmp(expected, actual, sizeof expected)) << block.name;
  }
}

}  // namespace
