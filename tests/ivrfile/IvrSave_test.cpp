// What a save description puts into the file, in which order, and how a
// failed or cancelled save leaves no file.
#include <set>

#include "IvrTestSupport.h"
#include "audio/LSupportedFormats.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
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
    for (const char* name : {"Sales.mbx", "Support.mbx", "Sales ICM000001.ini"}) WriteFile(mbx + "/" + name, "[mbx]\n");
    WriteFile(mbx + "/Sales OGM.wav", ToneWave());
    WriteFile(mbx + "/Sales ICM000001.wav", ToneWave());
    WriteFile(folders_.SystemPrompts() + "/Goodbye.wav", ToneWave());
    WriteFile(folders_.SystemPrompts() + "/Hello.wav", ToneWave());
    WriteFile(folders_.Root() + "/lookup.sh", "#!/bin/sh\n");
    WriteFile(folders_.Root() + "/notes.txt", "Call Bob first.");
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
};

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
      "ogmcount=2\nogm0=Main\nogm1=Sales Menu\nmbxcount=2\nmbx0=Sales\nmbx1=Support\nmbxgreetings=true\n"
      "mbxdelete=true\npromptcount=1\nprompt0=Goodbye\nexecount=1\nexe0=lookup.sh\nsettingcount=2\n"
      "setting0section=settings\nsetting0item=ogm\nsetting0value=Main\nsetting1section=x\nsetting1item=long\n"
      "setting1value=" + longValue + "\nnotespopup=true\n");
  ASSERT_EQ(check.result, kProcessDone) << check.error;
  EXPECT_EQ(FileRecords(check), (std::set<std::string>{"0 Main.ini", "0 Main.txt", "0 Main.wav", "0 Sales Menu.ini",
                                                       "2 Sales.mbx", "2 Sales OGM.wav", "2 Support.mbx",
                                                       "1 Goodbye.wav", "3 lookup.sh"}));
  std::vector<std::string> tail;
  for (const IvrRecord& r : check.records) {
    if (r.tag > 3) tail.push_back(std::to_string(r.tag) + " " + r.key + r.value.substr(0, 4) + std::to_string(r.value.size()));
  }
  EXPECT_EQ(tail, (std::vector<std::string>{"32 ogmMain4", "32 longvvvv255", "16 0", "17 0", "48 0", "49 0", "255 0"}));
  EXPECT_EQ(check.records[check.records.size() - 5].titles, (std::vector<std::string>{"Main", "Mainly", "Sales Menu"}));
  EXPECT_EQ(check.records[check.records.size() - 3].text, "Call Bob first.");
}

TEST_F(IvrSave, WithoutTheGreetingOptionAMailBoxIsItsMbxFileOnly) {
  const IvrCheck check = Save("ogmdelete=false\nnotes=false\nmbxcount=1\nmbx0=Sales\n");
  EXPECT_EQ(FileRecords(check), (std::set<std::string>{"2 Sales.mbx"}));
  ASSERT_EQ(check.records.size(), 2u);
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

}  // namespace
