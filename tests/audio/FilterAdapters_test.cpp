#include <gtest/gtest.h>

#include "TestSources.h"
#include "audio/LSPCompressor.h"
#include "audio/LSPConvChannels.h"
#include "audio/LSPConvertRate.h"
#include "audio/LSPGain.h"
#include "audio/LSPHighPass.h"
#include "audio/LSPPeakLimit.h"
#include "audio/LSRCCompressor.h"
#include "audio/LSRCGain.h"
#include "audio/LSRCHighPass.h"
#include "audio/LSRCMonoToStereo.h"
#include "audio/LSRCNull.h"
#include "audio/LSRCPeakLimit.h"
#include "audio/LSRCStereoToMono.h"
#include "audio/PromptProcessing.h"
#include "core/Profile.h"
#include "support/TempDir.h"

namespace {

LSoundSourceRef FileLike(int32_t length = 8000, int channels = 1, uint32_t maxLevel = kFullScale16) {
  return new TestSource(8000, channels, length, Tone(kFullScale16, 1000, 8000), maxLevel);
}

TEST(LSPAdapters, ReturnTheSourceUnchangedWhenThereIsNothingToDo) {
  const LSoundSourceRef mono = FileLike(), stereo = FileLike(10, 2), three = FileLike(10, 3), failed = new LSRCNull;
  const LSoundSourceRef softer = LSPGain(-6).OpenSource(mono), unity = LSPGain(0).OpenSource(mono);
  const LSoundSourceRef louder = LSPGain(1).OpenSource(mono), highPass = LSPHighPass(0).OpenSource(mono);
  const std::tuple<const char*, LSoundSourceRef, LSoundSourceRef, bool> cases[] = {
      {"limit at full scale", mono, LSPPeakLimit(kFullScale16).OpenSource(mono), true},
      {"limit after -6 dB", softer, LSPPeakLimit(kFullScale16).OpenSource(softer), true},
      {"limit after 0 dB", unity, LSPPeakLimit(kFullScale16).OpenSource(unity), true},
      {"limit after +1 dB", louder, LSPPeakLimit(kFullScale16).OpenSource(louder), false},
      {"limit after a high-pass", highPass, LSPPeakLimit(kFullScale16).OpenSource(highPass), false},
      {"mono to mono", mono, LSPConvChannels(1).OpenSource(mono), true},
      {"stereo to stereo", stereo, LSPConvChannels(2).OpenSource(stereo), true},
      {"three to mono", three, LSPConvChannels(1).OpenSource(three), true},
      {"stereo to three", stereo, LSPConvChannels(3).OpenSource(stereo), true},
      {"failed to stereo", failed, LSPConvChannels(2).OpenSource(failed), true},
      {"mono to stereo", mono, LSPConvChannels(2).OpenSource(mono), false},
      {"stereo to mono", stereo, LSPConvChannels(1).OpenSource(stereo), false},
      {"same rate", mono, LSPConvertRate(8000).OpenSource(mono), true},
      {"failed to 44100", failed, LSPConvertRate(44100).OpenSource(failed), true},
      {"8000 to 44100", mono, LSPConvertRate(44100).OpenSource(mono), false},
      {"gain 0 dB", mono, unity, false},
      {"high-pass at 0 Hz", mono, highPass, false},
      {"compressor at 0 dB", mono, LSPCompressor(0, 0.9, 50).OpenSource(mono), false},
  };
  for (const auto& [what, in, out, unchanged] : cases) EXPECT_EQ(out.Get() == in.Get(), unchanged) << what;
}

TEST(LSPAdapters, DeclareTheMaxLevelTheyCanReach) {
  auto highPassOf = [](uint32_t level) { return new LSRCHighPass(FileLike(1, 1, level), 300); };
  const std::tuple<const char*, LSoundSourceRef, uint32_t> cases[] = {
      {"gain +1 dB", LSPGain(1).OpenSource(FileLike()), LSRCGain::kRaisedMaxLevel},
      {"limit", LSPPeakLimit(kFullScale16).OpenSource(LSPGain(1).OpenSource(FileLike())),
       kFullScale16},
      {"limit capped", new LSRCPeakLimit(FileLike(), 9000000), LSRCPeakLimit::kMaxLimit},
      {"high-pass doubles", highPassOf(kFullScale16), 2 * kFullScale16},
      {"high-pass doubles to 2^21", highPassOf(1048576), 2097152},
      {"high-pass beyond", highPassOf(1048577), 1048577},
      {"compressor", LSPCompressor(0, 0.9, 50).OpenSource(FileLike()), LSRCCompressor::kMaxLevel},
      {"rate converter rings", LSPConvertRate(44100).OpenSource(FileLike()), 2 * kFullScale16},
      {"rate converter beyond", LSPConvertRate(16000).OpenSource(FileLike(1, 1, 1048577)), 1048577},
      {"stereo to mono", LSPConvChannels(1).OpenSource(FileLike(1, 2, 700000)), 700000},
  };
  for (const auto& [what, source, maxLevel] : cases) EXPECT_EQ(source->MaxLevel(), maxLevel) << what;
}

int32_t Numbered(int32_t frame, int channel) { return frame * 10 + channel; }

TEST(LSRCChannels, MonoToStereoCopiesAndStereoToMonoKeepsTheLeftBeyondOneBuffer) {
  LSRCStereoToMono mono(new TestSource(8000, 2, 20000, Numbered));
  LSRCMonoToStereo stereo(new TestSource(8000, 1, 20000, Numbered));
  ReadFrames(mono, 3);
  std::vector<int32_t> left, both;
  for (int32_t i = 0; i < 10000; ++i) left.push_back((i + 3) * 10), both.push_back(i * 10), both.push_back(i * 10);
  EXPECT_TRUE(ReadFrames(mono, 10000) == left && mono.GetPosition() == 10003);
  EXPECT_EQ(ReadFrames(stereo, 10000), both);
}

// High-pass above 20 Hz, then a compressor below -2 dB, then a gain beyond
// +-1 dB; values at the thresholds leave the source alone.
TEST(PromptProcessing, BuildsHighPassThenCompressorThenGainPastTheirThresholds) {
  TempDir dir;
  const std::string settings = dir / "settings.ini";
  auto set = [&](const char* highPass, const char* threshold, const char* gain) {
    for (auto [key, value] :
         {std::pair{"audiohighpass", highPass}, {"audiocompressorthres", threshold}, {"audiogain", gain}})
      ProfileWriteString(settings, "settings", key, value);
  };
  LSoundSourceRef source = FileLike();
  EXPECT_EQ(ApplyPromptProcessing(settings, source).Get(), source.Get()) << "no settings file";
  for (const char* gain : {"1dB", "-1dB"}) {
    set("20", "-2dB", gain);
    EXPECT_EQ(ApplyPromptProcessing(settings, source).Get(), source.Get()) << gain;
  }
  set("21", "-3dB", "-2dB");
  LSRCGain expected(new LSRCCompressor(new LSRCHighPass(FileLike(4000), 21), -3, 0.9261187281287935, 50), -2);
  EXPECT_EQ(ReadFrames(*ApplyPromptProcessing(settings, FileLike(4000)), 4000), ReadFrames(expected, 4000));
}

}  // namespace
