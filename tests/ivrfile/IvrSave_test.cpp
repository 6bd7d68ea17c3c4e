// What a save description puts into the file, in which order; a failed or
// cancelled save leaves no file; a saved program loads into a fresh data
// folder file by file.
#include <set>

#include "IvrTestSupport.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "audio/SoundFile.h"
#include "core/FileIo.h"
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
    const std::string ogms = folders_.Ogms() + "/", mbx = folders_.MailBoxes() + "/";
    for (const std::string& name : {ogms + "Main.ini", ogms + "Main.txt", ogms + "Sales Menu.ini", ogms + "Mainly.ini",
                                   mbx + "Sales.mbx", mbx + "Support.mbx", mbx + "Sales ICM000001.ini"})
      WriteFile(name, "[x]\n");
    for (const std::string& name : {ogms + "Main.wav", mbx + "Sales OGM.wav", mbx + "Sales ICM000001.wav",
                                   folders_.SystemPrompts() + "/Goodbye.wav", folders_.SystemPrompts() + "/Hello.wav"})
      WriteFile(name, ToneWave());
    WriteFile(ogms + "Tune.ini", "[ivr]\nplayex=true\nplayexfile=Tune.mp3\n");
    WriteFile(dir_ / "tune.wav", ToneWave(16000));
    mp3_ = std::system(("lame --quiet '" + (dir_ / "tune.wav") + "' '" + ogms + "Tune.mp3' >/dev/null 2>&1").c_str()) == 0;
    WriteFile(folders_.Root() + "/lookup.sh", "#!/bin/sh\n");
    WriteFile(folders_.Root() + "/notes.txt", "Call Bob first.");
    WriteFile(folders_.SettingsFile(), "[settings]\nogm=Main\n");
  }

  IvrCheck Save(const std::string& description) {
    WriteFile(dir_ / "save.dat", "[save]\nfilename=" + (dir_ / "out.ivr") + "\n" + description);
    RecordingProgress progress;
    std::string error;
    EXPECT_EQ(SaveIvrProgram(folders_, IvrSaveDescription::Read(dir_ / "save.dat"), progress, error), kProcessDone);
    int64_t size = 0;
    UniqueFd fd = OpenIvrFile(dir_ / "out.ivr", size);
    return fd.Valid() ? CheckIvrFile(fd.Get(), size, progress) : IvrCheck();
  }

  bool mp3_ = false;
};

// The result, and the error text after a failure.
std::string SaveEverything(const DataFolders& folders, const std::string& out, RecordingProgress progress = RecordingProgress()) {
  IvrSaveDescription everything = IvrSaveDescription::Everything(folders);
  everything.filename = out;
  std::string error;
  return SaveIvrProgram(folders, everything, progress, error) == kProcessDone ? "done" : "failed " + error;
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

// Plays a full folder: every write to a file in it fails with ENOSPC.
class FullFolderScope {
 public:
  explicit FullFolderScope(const std::string& folder) : previous_(ReplaceWriteCall(&Write)) { folder_ = folder + "/"; }
  ~FullFolderScope() { ReplaceWriteCall(previous_); }
  FullFolderScope(const FullFolderScope&) = delete;
  FullFolderScope& operator=(const FullFolderScope&) = delete;

 private:
  static ssize_t Write(int fd, const void* data, std::size_t size) {
    char path[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    if (n > 0 && std::string_view(path, static_cast<std::size_t>(n)).starts_with(folder_)) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, data, size);
  }

  static inline std::string folder_;
  WriteCall previous_;
};

// Audio that cannot be read is left out; audio a full temporary folder
// cannot convert fails the save and says why.
TEST_F(IvrSave, UnreadableAudioIsLeftOutButAFullTemporaryFolderFailsTheSave) {
  WriteFile(folders_.Ogms() + "/Broken.wav", "no wave");
  const IvrCheck check = Save("ogmcount=1\nogm0=Broken\n");
  ASSERT_EQ(check.result, kProcessDone) << check.error;
  EXPECT_TRUE(std::none_of(check.records.begin(), check.records.end(), [](const IvrRecord& r) { return r.name == "Broken.wav"; }));
  std::filesystem::remove(dir_ / "out.ivr");
  {
    FullFolderScope full(temp_);
    EXPECT_EQ(SaveEverything(folders_, dir_ / "out.ivr"), "failed No space left on the device in " + temp_);
  }
  EXPECT_TRUE(!std::filesystem::exists(dir_ / "out.ivr") && Tree(temp_).empty());
}

TEST_F(IvrSave, TheDescriptionChoosesTheRecordsAndTheirOrder) {
  const std::string longValue(300, 'v');
  const IvrCheck check = Save(
      "ogmcount=2\nogm0=Main\nogm1=Sales Menu\nmbxcount=2\nmbx0=Sales\nmbx1=Support\n"
      "mbxdelete=true\npromptcount=1\nprompt0=Goodbye\nexecount=1\nexe0=lookup.sh\nsettingcount=2\n"
      "setting0section=settings\nsetting0item=ogm\nsetting0value=Main\nsetting1section=x\nsetting1item=long\n"
      "setting1value=" + longValue + "\nnotespopup=true\n");
  ASSERT_EQ(check.result, kProcessDone) << check.error;
  std::set<std::string> files;  // files in any order, then the rest in order
  std::vector<std::string> tail;
  for (const IvrRecord& r : check.records) {
    if (r.tag <= 3) files.insert(std::to_string(r.tag) + " " + r.name);
    else tail.push_back(std::to_string(r.tag) + " " + r.key + r.value.substr(0, 4) + std::to_string(r.value.size()));
  }
  EXPECT_EQ(files, (std::set<std::string>{"0 Main.ini", "0 Main.txt", "0 Main.wav", "0 Sales Menu.ini", "2 Sales.mbx",
                                          "2 Support.mbx", "1 Goodbye.wav", "3 lookup.sh"}));
  EXPECT_EQ(tail, (std::vector<std::string>{"32 ogmMain4", "32 longvvvv255", "16 0", "17 0", "48 0", "49 0", "255 0"}));
  EXPECT_EQ(check.records[check.records.size() - 5].titles, (std::vector<std::string>{"Main", "Mainly", "Sales Menu", "Tune"}));
  EXPECT_EQ(check.records[check.records.size() - 3].text, "Call Bob first.");
}

TEST_F(IvrSave, AudioTravelsInTheSaveFormat) {
  LWaveFileFormat gsm;
  ASSERT_TRUE(LSupportedFormats::Fill(*LSupportedFormats::FindByName("GSM 6.10"), gsm));
  ASSERT_TRUE(gsm.WriteWff(folders_.Root() + "/savecodec.wff"));
  const IvrCheck check = Save("ogmcount=1\nogm0=Main\n");
  const auto wav = std::find_if(check.records.begin(), check.records.end(), [](const IvrRecord& r) { return r.name == "Main.wav"; });
  ASSERT_NE(wav, check.records.end());
  WriteFile(dir_ / "main.wav", FileText(dir_ / "out.ivr").substr(static_cast<std::size_t>(wav->contentOffset), wav->size));
  LWaveFileFormat format;
  ASSERT_TRUE(LWaveFile::ReadFormat(dir_ / "main.wav", format));
  EXPECT_EQ(format.Tag(), 0x31);
}

TEST_F(IvrSave, ASavedProgramLoadsIntoAFreshDataFolderFileByFile) {
  // A failed or cancelled save leaves no file.
  EXPECT_EQ(SaveEverything(folders_, dir_ / "missing/out.ivr"), "failed " + std::string(ivrtext::kCreate));
  EXPECT_EQ(SaveEverything(folders_, dir_ / "out.ivr", RecordingProgress(2)).substr(0, 6), "failed");
  EXPECT_TRUE(!std::filesystem::exists(dir_ / "out.ivr") && Tree(temp_).empty());
  ASSERT_EQ(SaveEverything(folders_, dir_ / "one.ivr"), "done");
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
  std::erase_if(expectedMbx, [](const auto& file) { return file.first.starts_with("Sales ICM"); });  // messages never travel
  EXPECT_EQ(Heard(fresh.MailBoxes()), expectedMbx);
  EXPECT_EQ(Heard(fresh.SystemPrompts()), Heard(folders_.SystemPrompts()));
  EXPECT_EQ(FileText(fresh.Root() + "/notes.txt"), "Call Bob first.");
  EXPECT_EQ(ProfileReadString(fresh.SettingsFile(), "settings", "ogm", ""), "Main");

  // A loaded MP3 item holds WAVE data under its name: saved again, it loads again.
  ASSERT_EQ(SaveEverything(fresh, dir_ / "two.ivr"), "done");
  const DataFolders third = MakeFolders("third");
  ASSERT_EQ(LoadIvrProgram(third, dir_ / "two.ivr", false, progress).result, kProcessDone);
  EXPECT_EQ(Heard(third.Ogms()), Heard(fresh.Ogms()));
}

}  // namespace
