// What a save description puts into the file, in which order; a failed or
// cancelled save leaves no file; a saved program loads into a fresh data
// folder file by file.
#include <set>

#include "IvrTestSupport.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/SoundFile.h"
#include "core/Profile.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrProgram.h"

using namespace ivr_test;

namespace {

class IvrSave : public IvrFixture {
 protected:
  void SetUp() override {
    IvrFixture::SetUp();
    const std::string ogms = folders_.Ogms(), mbx = folders_.MailBoxes();
    for (const char* name : {"Main.ini", "Main.txt", "Sales Menu.ini", "Mainly.ini"}) WriteFile(ogms + "/" + name, "[ivr]\n");
    WriteFile(ogms + "/Main.wav", ToneWave());
    WriteFile(ogms + "/Tune.ini", "[ivr]\nplayex=true\nplayexfile=Tune.mp3\n");
    WriteFile(dir_ / "tune.wav", ToneWave(16000));
    mp3_ = std::system(("lame --quiet '" + (dir_ / "tune.wav") + "' '" + ogms + "/Tune.mp3' >/dev/null 2>&1").c_str()) == 0;
    for (const char* name : {"Sales.mbx", "Support.mbx", "Sales ICM000001.ini"}) WriteFile(mbx + "/" + name, "[mbx]\n");
    WriteFile(mbx + "/Sales OGM.wav", ToneWave());
    WriteFile(mbx + "/Sales ICM000001.wav", ToneWave());
    WriteFile(folders_.SystemPrompts() + "/Goodbye.wav", ToneWave());
    WriteFile(folders_.SystemPrompts() + "/Hello.wav", ToneWave());
    WriteFile(folders_.Root() + "/lookup.sh", "#!/bin/sh\n");
    WriteFile(folders_.Root() + "/notes.txt", "Call Bob first.");
    WriteFile(folders_.SettingsFile(), "[settings]\nogm=Main\n");
  }

  IvrCheck Save(const std::string& description, ProcessResult expected = kProcessDone) {
    WriteFile(dir_ / "save.dat", "[save]\nfilename=" + (dir_ / "out.ivr") + "\n" + description);
    RecordingProgress progress;
    std::string error;
    EXPECT_EQ(SaveIvrProgram(folders_, IvrSaveDescription::Read(dir_ / "save.dat"), progress, error), expected);
    int64_t size = 0;
    UniqueFd fd = OpenIvrFile(dir_ / "out.ivr", size);
    return fd.Valid() ? CheckIvrFile(fd.Get(), size, progress) : IvrCheck();
  }

  bool mp3_ = false;
};

ProcessResult SaveEverything(const DataFolders& folders, const std::string& out) {
  IvrSaveDescription everything = IvrSaveDescription::Everything(folders);
  everything.filename = out;
  RecordingProgress progress;
  std::string error;
  return SaveIvrProgram(folders, everything, progress, error);
}

// Each file's text, or for sound files what they sound like: WAVE headers
// differ between writers.
std::map<std::string, std::string> Heard(const std::string& folder) {
  std::map<std::string, std::string> files = Tree(folder);
  for (auto& [name, content] : files) {
    if (!name.ends_with(".wav") && !name.ends_with(".mp3")) continue;
    LSoundSourceRef source = OpenSoundFile(folder + "/" + name);
    std::vector<int32_t> samples(static_cast<std::size_t>(std::max(source->GetEndSample(), 0)));
    source->Read(samples.data(), static_cast<int32_t>(samples.size()));
    content = std::to_string(source->SampleRate()) + " Hz, " + std::to_string(samples.size()) + " frames, sum " +
              std::to_string(Sum(std::string(reinterpret_cast<char*>(samples.data()), samples.size() * 4)));
  }
  return files;
}

std::set<std::string> FileRecords(const IvrCheck& check) {
  std::set<std::string> files;
  for (const IvrRecord& r : check.records) {
    if (r.tag <= 3) files.insert(std::to_string(r.tag) + " " + r.name);
  }
  return files;
}

TEST_F(IvrSave, TheDescriptionChoosesTheRecordsAndTheirOrder) {
  const std::string longValue(300, 'v');
  const IvrCheck check = Save(
      "ogmcount=2\nogm0=Main\nogm1=Sales Menu\nmbxcount=2\nmbx0=Sales\nmbx1=Support\n"
      "mbxdelete=true\npromptcount=1\nprompt0=Goodbye\nexecount=1\nexe0=lookup.sh\nsettingcount=2\n"
      "setting0section=settings\nsetting0item=ogm\nsetting0value=Main\nsetting1section=x\nsetting1item=long\n"
      "setting1value=" + longValue + "\nnotespopup=true\n");
  ASSERT_EQ(check.result, kProcessDone) << check.error;
  EXPECT_EQ(FileRecords(check), (std::set<std::string>{"0 Main.ini", "0 Main.txt", "0 Main.wav", "0 Sales Menu.ini",
                                                       "2 Sales.mbx", "2 Support.mbx",
                                                       "1 Goodbye.wav", "3 lookup.sh"}));
  std::vector<std::string> tail;
  for (const IvrRecord& r : check.records) {
    if (r.tag > 3) tail.push_back(std::to_string(r.tag) + " " + r.key + r.value.substr(0, 4) + std::to_string(r.value.size()));
  }
  EXPECT_EQ(tail, (std::vector<std::string>{"32 ogmMain4", "32 longvvvv255", "16 0", "17 0", "48 0", "49 0", "255 0"}));
  EXPECT_EQ(check.records[check.records.size() - 5].titles, (std::vector<std::string>{"Main", "Mainly", "Sales Menu", "Tune"}));
  EXPECT_EQ(check.records[check.records.size() - 3].text, "Call Bob first.");
}

TEST_F(IvrSave, AudioTravelsInTheSaveFormat) {
  LWaveFileFormat gsm;
  ASSERT_TRUE(LSupportedFormats::Fill(*LSupportedFormats::FindByName("GSM 6.10"), gsm));
  ASSERT_TRUE(gsm.WriteWff(folders_.Root() + "/savecodec.wff"));
  const IvrCheck check = Save("ogmcount=1\nogm0=Main\n");
  ASSERT_EQ(check.result, kProcessDone);
  for (const IvrRecord& r : check.records) {
    if (r.name != "Main.wav") continue;
    const std::string content = ReadFile(dir_ / "out.ivr").substr(static_cast<std::size_t>(r.contentOffset), r.size);
    WriteFile(dir_ / "main.wav", content);
    LWaveFileFormat format;
    ASSERT_TRUE(LWaveFile::ReadFormat(dir_ / "main.wav", format));
    EXPECT_EQ(format.Tag(), 0x31);
  }
}

TEST_F(IvrSave, AFailedOrCancelledSaveLeavesNoFile) {
  RecordingProgress progress;
  std::string error;
  IvrSaveDescription nowhere = IvrSaveDescription::Everything(folders_);
  nowhere.filename = dir_ / "missing/out.ivr";
  EXPECT_EQ(SaveIvrProgram(folders_, nowhere, progress, error), kProcessFailed);
  EXPECT_EQ(error, ivrtext::kCreate);

  IvrSaveDescription everything = IvrSaveDescription::Everything(folders_);
  everything.filename = dir_ / "out.ivr";
  RecordingProgress cancelling(2);
  EXPECT_EQ(SaveIvrProgram(folders_, everything, cancelling, error), kProcessFailed);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "out.ivr"));
  EXPECT_TRUE(Tree(temp_).empty());
}

TEST_F(IvrSave, ASavedProgramLoadsIntoAFreshDataFolderFileByFile) {
  ASSERT_EQ(SaveEverything(folders_, dir_ / "one.ivr"), kProcessDone);
  const DataFolders fresh = MakeFolders("fresh");
  WriteFile(fresh.Ogms() + "/Default Answering Message.ini", "[ivr]\n");
  RecordingProgress progress;
  ASSERT_EQ(LoadIvrProgram(fresh, dir_ / "one.ivr", false, progress).result, kProcessDone);
  auto expectedOgms = Heard(folders_.Ogms()), loadedOgms = Heard(fresh.Ogms());
  if (mp3_) {  // decoded into line-format WAVE data
    EXPECT_EQ(loadedOgms["Tune.mp3"].substr(0, 8), "8000 Hz,");
    expectedOgms.erase("Tune.mp3");
    loadedOgms.erase("Tune.mp3");
  }
  EXPECT_EQ(loadedOgms, expectedOgms);
  auto expectedMbx = Heard(folders_.MailBoxes());
  expectedMbx.erase("Sales ICM000001.wav");  // messages never travel
  expectedMbx.erase("Sales ICM000001.ini");
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
