// A program saved on one data folder loads into a fresh one file by file,
// and a file written by an independent generator of the format loads.
#include "IvrTestSupport.h"
#include "audio/LWaveFile.h"
#include "audio/SoundFile.h"
#include "core/Profile.h"
#include "ivrfile/IvrProgram.h"

using namespace ivr_test;

namespace {

ProcessResult SaveEverything(const DataFolders& folders, const std::string& out) {
  IvrSaveDescription everything = IvrSaveDescription::Everything(folders);
  everything.filename = out;
  RecordingProgress progress;
  std::string error;
  return SaveIvrProgram(folders, everything, progress, error);
}

int32_t Frames(const std::string& path) {
  LSoundSourceRef source = OpenSoundFile(path);
  return source->IsError() || source->SampleRate() != 8000 ? -1 : source->GetEndSample();
}

// Each file's text, or for sound files what they sound like: the WAVE
// header's layout may differ between writers.
std::map<std::string, std::string> Heard(const std::string& folder) {
  std::map<std::string, std::string> files = Tree(folder);
  for (auto& [name, content] : files) {
    if (name.ends_with(".wav") || name.ends_with(".mp3")) {
      LSoundSourceRef source = OpenSoundFile(folder + "/" + name);
      std::vector<int32_t> samples(static_cast<std::size_t>(std::max(source->GetEndSample(), 0)));
      source->Read(samples.data(), static_cast<int32_t>(samples.size()));
      content = std::to_string(source->SampleRate()) + " Hz, " + std::to_string(samples.size()) +
                " frames, sum " + std::to_string(Sum(std::string(reinterpret_cast<char*>(samples.data()), samples.size() * 4)));
    }
  }
  return files;
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

TEST_F(IvrFixture, ASavedProgramLoadsIntoAFreshDataFolderFileByFile) {
  const std::string ogms = folders_.Ogms(), mbx = folders_.MailBoxes();
  WriteFile(ogms + "/Main.ini", "[ivr]\nplayex=true\nplayexfile=Main.mp3\n");
  WriteFile(ogms + "/Main.txt", "Welcome.");
  WriteFile(ogms + "/Menu.ini", "[ivr]\n");
  WriteFile(ogms + "/Menu.wav", ToneWave());
  WriteFile(dir_ / "tune.wav", ToneWave(16000, 1));
  const bool mp3 = std::system(("lame --quiet '" + (dir_ / "tune.wav") + "' '" + ogms + "/Main.mp3' >/dev/null 2>&1").c_str()) == 0;
  WriteFile(mbx + "/Sales.mbx", "[mbx]\n");
  WriteFile(mbx + "/Sales OGM.wav", ToneWave());
  WriteFile(mbx + "/Support.mbx", "[mbx]\nbeep=true\n");
  WriteFile(mbx + "/Sales ICM000001.wav", ToneWave());
  WriteFile(folders_.SystemPrompts() + "/Goodbye.wav", ToneWave());
  WriteFile(folders_.Root() + "/notes.txt", "Call Bob first.");
  WriteFile(folders_.SettingsFile(), "[settings]\nogm=Main\n");
  ASSERT_EQ(SaveEverything(folders_, dir_ / "one.ivr"), kProcessDone);

  const DataFolders fresh = MakeFolders("fresh");
  WriteFile(fresh.Ogms() + "/Default Answering Message.ini", "[ivr]\n");
  RecordingProgress progress;
  ASSERT_EQ(LoadIvrProgram(fresh, dir_ / "one.ivr", false, progress).result, kProcessDone);
  auto expectedOgms = Heard(ogms);
  auto loadedOgms = Heard(fresh.Ogms());
  if (mp3) {
    EXPECT_NEAR(Frames(fresh.Ogms() + "/Main.mp3"), 8000, 1200);  // the decoder's delay and padding
    expectedOgms.erase("Main.mp3");
    loadedOgms.erase("Main.mp3");
  }
  EXPECT_EQ(loadedOgms, expectedOgms);
  auto expectedMbx = Heard(mbx);
  expectedMbx.erase("Sales ICM000001.wav");  // messages never travel
  EXPECT_EQ(Heard(fresh.MailBoxes()), expectedMbx);
  EXPECT_EQ(Heard(fresh.SystemPrompts()), Heard(folders_.SystemPrompts()));
  EXPECT_EQ(ReadFile(fresh.Root() + "/notes.txt"), "Call Bob first.");
  EXPECT_EQ(ProfileReadString(fresh.SettingsFile(), "settings", "ogm", ""), "Main");

  // A loaded MP3 item holds WAVE data under its name: saved again, it loads again.
  ASSERT_EQ(SaveEverything(fresh, dir_ / "two.ivr"), kProcessDone);
  const DataFolders third = MakeFolders("third");
  ASSERT_EQ(LoadIvrProgram(third, dir_ / "two.ivr", false, progress).result, kProcessDone);
  EXPECT_EQ(Heard(third.Ogms()), Heard(fresh.Ogms()));
}

}  // namespace
