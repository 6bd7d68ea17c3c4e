#include "audio/LPromptList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "PumpTestSupport.h"
#include "audio/LWaveFile.h"
#include "support/TempDir.h"

namespace {

// Ramp values on the 16-bit grid, so they survive a trip through a file.
class FileRamp : public RampSource {
 public:
  explicit FileRamp(int32_t end) : RampSource(8000, 1, end) {}

 protected:
  int32_t Sample(int32_t frame, int channel) const override {
    return RampSample(frame, channel) * 16;
  }
};

void WriteRamp(const std::string& path, int32_t frames) {
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(path, 8000, 0, 16, 1);
  std::vector<int32_t> samples(static_cast<size_t>(frames));
  LRef<FileRamp> ramp = new FileRamp(frames);
  ramp->Read(samples.data(), frames);
  sink->Write(samples.data(), frames);
}

class LPromptListTest : public ::testing::Test {
 protected:
  LPromptListTest() {
    WriteRamp(dir_ / "One.wav", 100);
    WriteRamp(dir_ / "two.wav", 50);
    std::ofstream(dir_ / "bad.wav") << "not a sound";
  }
  TempDir dir_;
};

TEST_F(LPromptListTest, PlaysTheReadableFilesInOrderWhateverTheCaseOfTheirNames) {
  LPromptList list(dir_.Path());
  list.Add("one");
  list.Add("Missing");
  list.AddFile(dir_ / "bad.wav");
  list.Add("TWO");
  EXPECT_EQ(list.Files(), (std::vector<std::string>{dir_ / "one.wav", dir_ / "Missing.wav",
                                                    dir_ / "bad.wav", dir_ / "TWO.wav"}));

  LSoundSourceRef source = list.OpenSource(8000, 1);
  ASSERT_FALSE(source->IsError());
  ASSERT_EQ(source->GetEndSample(), 150);
  std::vector<int32_t> samples(160);
  source->Read(samples.data(), 160);
  EXPECT_EQ(samples[0], RampSample(0, 0) * 16);
  EXPECT_EQ(samples[99], RampSample(99, 0) * 16);
  EXPECT_EQ(samples[100], RampSample(0, 0) * 16) << "the second file follows at once";
  EXPECT_EQ(samples[149], RampSample(49, 0) * 16);
  EXPECT_EQ(samples[150], 0);
}

TEST_F(LPromptListTest, ConvertsToTheAskedFormatAndAnEmptyListIsSilence) {
  LPromptList list(dir_.Path());
  list.Add("One");
  LSoundSourceRef stereo = list.OpenSource(16000, 2);
  EXPECT_EQ(stereo->Channels(), 2);
  EXPECT_EQ(stereo->SampleRate(), 16000);
  EXPECT_NEAR(stereo->GetEndSample(), 200, 2);

  LSoundSourceRef empty = LPromptList(dir_.Path()).OpenSource(8000, 1);
  EXPECT_FALSE(empty->IsError());
  EXPECT_EQ(empty->GetEndSample(), 0);
}

}  // namespace
