// A file written by an independent generator of the format loads.
#include "IvrTestSupport.h"
#include "audio/SoundFile.h"
#include "core/Profile.h"

using namespace ivr_test;

namespace {

int32_t Frames(const std::string& path) {
  LSoundSourceRef source = OpenSoundFile(path);
  return source->IsError() || source->SampleRate() != 8000 ? -1 : source->GetEndSample();
}

TEST_F(IvrFixture, AGeneratedFileLoads) {
  WriteFile(folders_.Ogms() + "/Old.ini", "[ivr]\n");
  ASSERT_EQ(std::system(("/usr/bin/python3 " IVR_GENERATOR " '" + (dir_ / "gen.ivr") + "'").c_str()), 0);
  RecordingProgress progress;
  const IvrLoadOutcome outcome = LoadIvrProgram(folders_, dir_ / "gen.ivr", false, progress);
  ASSERT_EQ(outcome.result, kProcessDone) << testing::PrintToString(outcome.messages);
  EXPECT_TRUE(outcome.showNotes);
  const auto ogms = Tree(folders_.Ogms());
  EXPECT_TRUE(ogms.size() == 3 && ogms.count("Gen Menu.ini"));  // "Old" is not on the keep-list
  EXPECT_EQ(ogms.at("Gen Other.ini"), "[ivr]\nwait=2\n");
  EXPECT_NEAR(Frames(folders_.Ogms() + "/Gen Menu.wav"), 8000, 10);
  EXPECT_EQ(Frames(folders_.SystemPrompts() + "/Goodbye.wav"), 4000);
  EXPECT_EQ(FileText(folders_.MailBoxes() + "/Gen.mbx"), "[mbx]\nremoteaccess=true\n");
  EXPECT_EQ(ProfileReadString(folders_.SettingsFile(), "settings", "ogm", ""), "Gen Menu");
  EXPECT_EQ(FileText(folders_.Root() + "/notes.txt"), "Generated.");
}

}  // namespace
