#include "callengine/OGMListOrder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "callengine/EngineOgms.h"
#include "core/FileIo.h"
#include "core/ManualClock.h"
#include "core/Profile.h"
#include "log/LogFile.h"
#include "support/TempDir.h"

namespace {

using Names = std::vector<std::string>;

// ogms: name -> [ivr] lines.
struct OrderCase { const char* what; std::map<std::string, std::string> ogms; const char* answering; Names expected; };

const OrderCase kCases[] = {
    {"breadth first from the answering OGM, unreached last",
     {{"Main", "press1=go\npress1go=Zed\npress2=go\npress2go=Alpha\n"},
      {"Zed", "press1=GO\npress1go=Beta\n"}, {"Alpha", ""}, {"Beta", ""}, {"Extra", ""}},
     "Main", {"Main", "Zed", "Alpha", "Beta", "Extra"}},
    {"two keys to one OGM number it once, names in any case",
     {{"Main", "press1=go\npress1go=sales\npress2=go\npress2go=Sales\npress3=go\npress3go=Help\n"},
      {"Sales", ""}, {"Help", ""}},
     "Main", {"Main", "Sales", "Help"}},
    {"a go to a missing OGM or a go parameter without the go word adds nothing",
     {{"Main", "press1=go\npress1go=Missing\npress2=mailbox\npress2go=Zed\npress3=go\npress3go=Sales\n"},
      {"Sales", ""}, {"Zed", ""}, {"Able", ""}},
     "Main", {"Main", "Sales", "Able", "Zed"}},
    {"keys in the order 1..9, 0, #, *, then playcomplete",
     {{"Main", "press*=go\npress*go=S1\nplaycomplete=go\nplaycompletego=S0\npress#=go\npress#go=S2\n"
               "press0=go\npress0go=S3\npress9=go\npress9go=S4\n"},
      {"S0", ""}, {"S1", ""}, {"S2", ""}, {"S3", ""}, {"S4", ""}},
     "main", {"Main", "S4", "S3", "S2", "S1", "S0"}},
    {"an OGM reached only from an unreached one follows it",
     {{"Main", ""}, {"Beta", "press1=go\npress1go=Zulu\n"}, {"Gamma", ""}, {"Zulu", ""}},
     "Main", {"Main", "Beta", "Zulu", "Gamma"}},
    {"without the answering OGM the first by name starts",
     {{"Beta", "press1=go\npress1go=Alpha\n"}, {"Alpha", ""}, {"Gamma", "press1=go\npress1go=Alpha\n"}},
     "Default Answering Message", {"Alpha", "Beta", "Gamma"}},
};

void Write(const TempDir& dir, const std::map<std::string, std::string>& ogms) {
  for (const auto& [name, lines] : ogms) std::ofstream(dir / (name + ".ini")) << "[ivr]\n" << lines;
}

TEST(OGMListOrder, NumbersBreadthFirstAndWritesEachPosition) {
  for (const OrderCase& row : kCases) {
    TempDir dir;
    Write(dir, row.ogms);
    const std::optional<Names> listed = ogm_list_order::Logical(dir.Path(), row.answering);
    ASSERT_TRUE(listed) << row.what;
    EXPECT_EQ(*listed, row.expected) << row.what;
    for (std::size_t i = 0; i < listed->size(); ++i)
      EXPECT_EQ(ProfileReadInt(dir / ((*listed)[i] + ".ini"), "ivr", "logicalorder", -1), static_cast<int>(i))
          << row.what << ": " << (*listed)[i];
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}),
              static_cast<long>(row.ogms.size()))
        << row.what << ": no file is created";
  }
}

ssize_t RefusedWrite(int, const void*, std::size_t) {
  errno = EROFS;
  return -1;
}

TEST(OGMListOrder, ReadOnlyFilesFallBackToNamesAndLog) {
  TempDir dir;
  const DataFolders folders = DataFolders::Resolve(dir.Path());
  ASSERT_TRUE(folders.CreateMissing());
  for (const char* name : {"Zed", "Default Answering Message", "Alpha"})
    std::ofstream(folders.Ogms() + "/" + name + ".ini") << "[ivr]\npress1=go\npress1go=Zed\n";
  ManualClock clock(1000000, 1000000);
  StatusDisplay display(clock);
  LogFile log(folders.Logs(), clock, display);
  EngineOgms ogms(folders, log);
  ProfileWriteInt(folders.SettingsFile(), "settings", "ogmlistorder", 1);
  const WriteCall previous = ReplaceWriteCall(&RefusedWrite);
  const ConsoleOgms::Listing listing = ogms.List(1);
  ReplaceWriteCall(previous);
  EXPECT_EQ(listing.order, 0);
  ASSERT_EQ(listing.rows.size(), 3u);
  EXPECT_EQ(listing.rows[0].name + "," + listing.rows[1].name + "," + listing.rows[2].name,
            "Alpha,Default Answering Message,Zed");
  EXPECT_NE(display.GetSnapshot().text.find("ERROR OGM Files are Read Only!!!"), std::string::npos);
  EXPECT_TRUE(display.GetSnapshot().error);
}

}  // namespace
