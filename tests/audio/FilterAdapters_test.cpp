#include <gtest/gtest.h>

#include "FilterTestSource.h"
#include "audio/GainTable.h"
#include "audio/LSPCompressor.h"
#include "audio/LSPGain.h"
#include "audio/LSPHighPass.h"
#include "audio/LSPPeakLimit.h"
#include "audio/LSRCCompressor.h"
#include "audio/LSRCGain.h"
#include "audio/LSRCHighPass.h"
#include "audio/LSRCPeakLimit.h"
#include "audio/PromptProcessing.h"
#include "core/Profile.h"
#include "support/TempDir.h"

namespace {

LSoundSourceRef FileLike(int32_t length = 8000) {
  return new GeneratedSource(8000, 1, length, Tone(kFullScale16, 1000, 8000));
}

TEST(LSPPeakLimit, AddsALimiterExactlyWhenTheMaxLevelIsAboveTheLimit) {
  LSoundSourceRef source = FileLike();
  EXPECT_EQ(LSPPeakLimit(kFullScale16).OpenSource(source).Get(), source.Get());

  LSoundSourceRef softer = LSPGain(-6).OpenSource(source);
  EXPECT_EQ(LSPPeakLimit(kFullScale16).OpenSource(softer).Get(), softer.Get());
  LSoundSourceRef unity = LSPGain(0).OpenSource(source);
  EXPECT_EQ(LSPPeakLimit(kFullScale16).OpenSource(unity).Get(), unity.Get());

  LSoundSourceRef louder = LSPGain(1).OpenSource(source);
  EXPECT_EQ(louder->MaxLevel(), 2097152u);
  LSoundSourceRef limited = LSPPeakLimit(kFullScale16).OpenSource(louder);
  ASSERT_NE(dynamic_cast<LSRCPeakLimit*>(limited.Get()), nullptr);
  EXPECT_EQ(limited->MaxLevel(), static_cast<uint32_t>(kFullScale16));
  EXPECT_LE(PeakOf(ReadFrames(*limited, 8000)), kFullScale16);
}

TEST(LSPAdapters, GainHighPassAndCompressorAlwaysWrapAndDeclareTheirLevels) {
  LSoundSourceRef source = FileLike();
  LSoundSourceRef gain = LSPGain(0).OpenSource(source);
  EXPECT_NE(dynamic_cast<LSRCGain*>(gain.Get()), nullptr);
  LSoundSourceRef highPass = LSPHighPass(0).OpenSource(source);
  EXPECT_NE(dynamic_cast<LSRCHighPass*>(highPass.Get()), nullptr);
  EXPECT_EQ(highPass->MaxLevel(), 2u * kFullScale16);
  LSoundSourceRef compressor = LSPCompressor(0, 0.9, 50).OpenSource(source);
  EXPECT_NE(dynamic_cast<LSRCCompressor*>(compressor.Get()), nullptr);
  EXPECT_EQ(compressor->MaxLevel(), 4194303u);
  EXPECT_NE(LSPPeakLimit(kFullScale16).OpenSource(highPass).Get(), highPass.Get());
}

class PromptProcessingTest : public ::testing::Test {
 protected:
  void Set(const char* key, const char* value) {
    ASSERT_TRUE(ProfileWriteString(settings_, "settings", key, value));
  }
  std::vector<int32_t> Processed(int32_t frames) {
    LSoundSourceRef source = ApplyPromptProcessing(settings_, FileLike(frames));
    return ReadFrames(*source, frames);
  }

  TempDir dir_;
  std::string settings_ = dir_ / "settings.ini";
};

TEST_F(PromptProcessingTest, DefaultsAndValuesAtTheThresholdsLeaveTheSourceAlone) {
  LSoundSourceRef source = FileLike();
  EXPECT_EQ(ApplyPromptProcessing(settings_, source).Get(), source.Get()) << "no settings file";
  Set("audiohighpass", "20");
  Set("audiocompressorthres", "-2dB");
  Set("audiogain", "1dB");
  EXPECT_EQ(ApplyPromptProcessing(settings_, source).Get(), source.Get());
  Set("audiogain", "-1dB");
  EXPECT_EQ(ApplyPromptProcessing(settings_, source).Get(), source.Get());
}

TEST_F(PromptProcessingTest, BuildsHighPassThenCompressorThenGain) {
  Set("audiohighpass", "21");
  Set("audiocompressorthres", "-3dB");
  Set("audiogain", "-2dB");
  LSoundSourceRef expected = FileLike(4000);
  expected = new LSRCHighPass(expected, 21);
  expected = new LSRCCompressor(expected, -3, 0.9261187281287935, 50);
  expected = new LSRCGain(expected, -2);
  EXPECT_EQ(Processed(4000), ReadFrames(*expected, 4000));

  Set("audiogain", "2dB");
  LSoundSourceRef louder = ApplyPromptProcessing(settings_, FileLike());
  ASSERT_NE(dynamic_cast<LSRCGain*>(louder.Get()), nullptr);
  EXPECT_EQ(static_cast<LSRCGain*>(louder.Get())->Gain(), GainTable::Amplitude(2));
}

}  // namespace
