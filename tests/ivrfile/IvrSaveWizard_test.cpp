// The save wizard's first choices come from the folders and the last save;
// what it writes back reads back the same, and nothing of an older
// description is left behind.
#include <sys/stat.h>

#include "IvrTestSupport.h"
#include "core/IniStore.h"
#include "ivrfile/IvrSaveDescription.h"

using namespace ivr_test;

namespace {

// Every choice in one line per kind, so a failure shows which one differs.
std::vector<std::string> Choices(const IvrSaveDescription& d) {
  auto join = [](const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& item : list) text += item + "|";
    return text;
  };
  std::string settings;
  for (const auto& s : d.settings) settings += s.section + ":" + s.key + ":" + s.value + "|";
  return {"file " + d.filename,
          "ogms " + join(d.ogms) + (d.ogmDelete ? " keep-list" : ""),
          "mailboxes " + join(d.mailBoxes) + (d.mailBoxDelete ? " keep-list" : "") + (d.mailBoxGreetings ? " greetings" : ""),
          "prompts " + join(d.prompts),
          "programs " + join(d.programs),
          "settings " + settings,
          std::string("notes ") + (d.notes ? "saved" : "not saved") + (d.notesPopup ? " shown" : "")};
}

TEST_F(IvrFixture, TheWizardStartsFromTheFoldersAndWritesBackWhatReadsBack) {
  for (const char* ogm : {"Main.ini", "Sales.ini", "Main.wav"}) WriteFile(folders_.Ogms() + "/" + ogm, "[ivr]\n");
  WriteFile(folders_.MailBoxes() + "/Bob.mbx", "[mbx]\n");
  WriteFile(folders_.SystemPrompts() + "/Goodbye.wav", ToneWave());
  for (const char* program : {"lookup.sh", "plain.txt"}) WriteFile(folders_.Root() + "/" + program, "#!/bin/sh\n");
  ::chmod((folders_.Root() + "/lookup.sh").c_str(), 0700);
  WriteFile(folders_.SettingsFile(), "[settings]\nogm=Sales\nivrfile=/x/shop.ivr\n");
  const std::string saveDat = folders_.Root() + "/save.dat";
  WriteFile(saveDat, "[save]\nexecount=3\nexe0=LOOKUP.sh\nexe1=gone.sh\nexe2=plain.txt\npromptcount=1\n"
                     "prompt0=Goodbye\nmbxcount=1\nmbx0=Bob\nnotespopup=true\nogm7=Old\n");

  IvrSaveDescription start = IvrSaveDescription::WizardStart(folders_);
  EXPECT_EQ(Choices(start), (std::vector<std::string>{"file /x/shop.ivr", "ogms Main|Sales| keep-list", "mailboxes ",
                                                       "prompts ", "programs lookup.sh|", "settings settings:ogm:Sales|",
                                                       "notes saved"}));

  start.filename = "/y/new.ivr";
  start.mailBoxes = {"Bob"};
  start.mailBoxDelete = start.mailBoxGreetings = start.notesPopup = true;
  start.ogmDelete = start.notes = false;
  start.prompts = {"Goodbye"};
  start.settings.push_back({"line0", "name", "Front desk"});
  ASSERT_TRUE(start.Write(saveDat));
  EXPECT_EQ(Choices(IvrSaveDescription::Read(saveDat)), Choices(start));
  EXPECT_FALSE(IniRead(saveDat, "save", "ogm7"));
}

}  // namespace
