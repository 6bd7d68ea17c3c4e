// A file written by an independent generator of the format loads.
#include "IvrTestSupport.h"
#include "audio/LWaveFile.h"
#include "audio/SoundFile.h"
#include "core/Profile.h"
#include "ivrfile/IvrProgram.h"

using namespace ivr_test;

namespace {

int32_t Frames(const std::string& path) {
  LSoundSourceRef source = OpenSoundFile(path);
  return source->IsError() || source->SampleRate() != 8000 ? -1 : source->GetEndSample();
}

TEST_F(IvrFixture, AGeneratedFileLoads) {
  WriteFile(folders_.Ogms() + "/Old.ini", "[ivr]\n");
  const std::string path = dir_ / "gen.ivr";
  ASSERT_EQ(std::system(("/usr/bin/python3 " IVR_GENERATOR " '" + path + "'").c_str()), 0);
  RecordingProgress progress;
  const IvrLoadOutcome outcome = LoadIvrProgram(folders_, path, false, progress);
  ASSERT_EQ(outcome.result, kProcessDone) << testing::PrintToString(outcome.messages);
  EXPECT_TRUE(outcome.showNotes);
  std::vector<std::string> ogms;
  for (const auto& [name, content] : Tree(folders_.Ogms())) ogms.push_back(name);
  EXPECT_EQ(ogms, (std::vector<std::string>{"Gen Menu.ini", "Gen Menu.wav", "Gen Other.ini"}));
  EXPECT_EQ(ReadFile(folders_.Ogms() + "/Gen Other.ini"), "[ivr]\nwait=2\n");
  EXPECT_NEAR(Frames(folders_.Ogms() + "/Gen Menu.wav"), 8000, 10);
  EXPECT_EQ(Frames(folders_.SystemPrompts() + "/Goodbye.wav"), 4000);
  EXPECT_EQ(ReadFile(folders_.MailBoxes() + "/Gen.mbx"), "[mbx]\nremoteaccess=true\n");
  EXPECT_EQ(ProfileReadString(folders_.SettingsFile(), "settings", "ogm", ""), "Gen Menu");
  EXPECT_EQ(ReadFile(folders_.Root() + "/notes.txt"), "Generated.");
}

}  // namespace
