#include "core/DataFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "core/UnreadableSettings.h"
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
  choice.home.clear();  // no home at all: never a folder in /tmp another user could have made
  EXPECT_EQ(choice.Root(), "/tmp/zavotel-" + std::to_string(::geteuid()));
}

// A folder every user may write to is refused: its settings name programs.
TEST(DataFolders, DefaultLayoutIsCreatedPrivateUnlessAFileIsInTheWay) {
  TempDir tmp;
  std::string root = tmp / "a/b/data";
  const DataFolders folders = DataFolders::Resolve(root);
  EXPECT_EQ(DataFolderDanger(root), "");
  ASSERT_TRUE(folders.CreateMissing());
  for (const std::string& f : {root, folders.Ogms(), folders.MailBoxes(), folders.SystemPrompts(),
                               folders.DefaultSystemPrompts(), folders.Logs()})
    EXPECT_EQ(ModeOf(f), 0700u) << f;
  EXPECT_TRUE(folders.CreateMissing()) << "a second start finds everything in place";
  EXPECT_EQ(DataFolderDanger(root), "");
  ::chmod(root.c_str(), 0777);
  EXPECT_EQ(DataFolderDanger(root), "every user of this machine may write to it");
  std::ofstream(tmp / "file") << "not a folder";
  EXPECT_FALSE(DataFolders::Resolve(tmp / "file").CreateMissing()) << "a file in the way";
}

// A data folder copied from a case-insensitive file system keeps being
// found; where both spellings exist, the exact one wins. folders.ini moves
// single folders, relative entries inside the root.
TEST(DataFolders, NamesInTheRootAreFoundWithoutCaseAndFoldersIniMovesSingleFolders) {
  TempDir tmp;
  const std::string root = tmp / "data";
  for (const char* folder : {"Mailboxes", "system prompts", "OGMS", "OGMs", "elsewhere/LOGS"})
    std::filesystem::create_directories(root + "/" + folder);
  std::ofstream(root + "/Settings.ini") << "[settings]\n";
  std::ofstream(root + "/FOLDERS.INI") << "[folders]\r\nLogs=Elsewhere/logs\r\nDefault System Prompts = " << tmp / "factory" << "\r\n";
  const DataFolders folders = DataFolders::Resolve(root);
  EXPECT_EQ(std::vector<std::string>({folders.SettingsFile(), folders.MailBoxes(), folders.SystemPrompts(),
                                      folders.Ogms(), folders.Logs(), folders.DefaultSystemPrompts()}),
            std::vector<std::string>({root + "/Settings.ini", root + "/Mailboxes", root + "/system prompts",
                                      root + "/OGMs", root + "/elsewhere/LOGS", tmp / "factory"}));
  EXPECT_TRUE(folders.CreateMissing() && std::filesystem::is_directory(tmp / "factory"));
  EXPECT_FALSE(std::filesystem::exists(root + "/MailBoxes")) << "a second, empty mailbox folder";
}

// Settings with text but no section are kept aside before the factory
// settings are written; a byte order mark before the header still reads.
TEST(UnreadableSettings, OnlyTextWithoutAnySectionIsSetAside) {
  TempDir tmp;
  const std::string file = tmp / "settings.ini";
  for (auto [text, aside] : {std::pair<std::string, bool>{" \r\n", false}, {"\xEF\xBB\xBF[settings]\r\nnrings=6\r\n", false},
                             {"; note\n  [state]\non=false\n", false},
                             {"[settings\nnrings=6\n", false}, {"nrings=6\r\non=false\r\n", true}}) {
    std::filesystem::remove(tmp / "settings.ini.unreadable");
    std::ofstream(file, std::ios::binary) << text;
    EXPECT_EQ(SetAsideUnreadableSettings(file).empty(), !aside) << text;
    EXPECT_EQ(std::filesystem::exists(file), !aside) << text;
  }
  std::filesystem::remove(file);
  EXPECT_EQ(SetAsideUnreadableSettings(file), "");
}

}  // namespace
