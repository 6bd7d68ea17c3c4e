#include "core/DataFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/FirstStartSettings.h"
#include "core/Profile.h"
#include "support/TempDir.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st), st.st_mode & 07777;
}

TEST(DataRootChoice, PrecedenceOptionEnvironmentServiceXdgHome) {
  DataRootChoice choice{"/opt/d", "/env/d", "/xdg", "/home/u", true};
  std::string roots = choice.Root();
  for (auto drop : {+[](DataRootChoice& c) { c.option.clear(); }, +[](DataRootChoice& c) { c.environment.clear(); },
                    +[](DataRootChoice& c) { c.service = false; }, +[](DataRootChoice& c) { c.xdgDataHome.clear(); }})
    drop(choice), roots += " " + choice.Root();
  EXPECT_EQ(roots, "/opt/d /env/d /var/lib/zavotel /xdg/zavotel /home/u/.local/share/zavotel");
}

TEST(DataFolders, DefaultLayoutIsCreatedPrivateUnlessAFileIsInTheWay) {
  TempDir tmp;
  std::string root = tmp / "a/b/data";
  const DataFolders folders = DataFolders::Resolve(root);
  ASSERT_TRUE(folders.CreateMissing());
  for (const std::string& f : {root, folders.Ogms(), folders.MailBoxes(), folders.SystemPrompts(),
                               folders.DefaultSystemPrompts(), folders.Logs()})
    EXPECT_EQ(ModeOf(f), 0700u) << f;
  EXPECT_TRUE(folders.CreateMissing()) << "a second start finds everything in place";
  std::ofstream(tmp / "file") << "not a folder";
  EXPECT_FALSE(DataFolders::Resolve(tmp / "file").CreateMissing()) << "a file in the way";
}

TEST(DataFolders, FoldersIniMovesSingleFolders) {
  TempDir tmp;
  std::string root = tmp / "data";
  std::filesystem::create_directories(root);
  std::ofstream(root + "/folders.ini") << "[Folders]\r\nLogs=" << tmp.Path() << "/elsewhere/logs\r\nOGMs = ivr\r\n";
  DataFolders folders = DataFolders::Resolve(root);
  // Relative entries are inside the root.
  EXPECT_EQ(folders.Logs() + " " + folders.Ogms() + " " + folders.MailBoxes(),
            tmp.Path() + "/elsewhere/logs " + root + "/ivr " + root + "/MailBoxes");
  EXPECT_TRUE(folders.CreateMissing() && std::filesystem::is_directory(tmp.Path() + "/elsewhere/logs"));
}

// A data folder copied from a case-insensitive file system keeps being
// found; where both spellings exist, the exact one wins.
TEST(DataFolders, NamesInTheRootAreFoundWithoutCase) {
  TempDir tmp;
  const std::string root = tmp / "data";
  for (const char* folder : {"Mailboxes", "system prompts", "OGMS", "OGMs", "elsewhere/LOGS"})
    std::filesystem::create_directories(root + "/" + folder);
  std::ofstream(root + "/Settings.ini") << "[settings]\n";
  std::ofstream(root + "/FOLDERS.INI") << "[folders]\nLogs=Elsewhere/logs\n";
  const DataFolders folders = DataFolders::Resolve(root);
  EXPECT_EQ(std::vector<std::string>({folders.SettingsFile(), folders.MailBoxes(), folders.SystemPrompts(),
                                      folders.Ogms(), folders.Logs()}),
            std::vector<std::string>({root + "/Settings.ini", root + "/Mailboxes", root + "/system prompts",
                                      root + "/OGMs", root + "/elsewhere/LOGS"}));
  EXPECT_TRUE(folders.CreateMissing());
  EXPECT_FALSE(std::filesystem::exists(root + "/MailBoxes")) << "a second, empty mailbox folder";
}

TEST(FirstStartSettings, WritesMissingKeysAndKeepsOwnersValues) {
  TempDir tmp;
  std::string settings = tmp / "settings.ini";
  std::ofstream(settings) << "[settings]\nnrings=5\n";
  EXPECT_TRUE(WriteFirstStartSettings(settings) && ProfileReadInt(settings, "settings", "nrings", 0) == 5 &&
              ProfileReadBool(settings, "state", "on", false) &&
              ProfileReadString(settings, "settings", "ogm", "") == "Default Answering Message");
}

}  // namespace
