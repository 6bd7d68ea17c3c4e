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
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(DataRootChoice, PrecedenceOptionEnvironmentServiceXdgHome) {
  DataRootChoice choice{"/opt/d", "/env/d", "/xdg", "/home/u", true};
  EXPECT_EQ(choice.Root(), "/opt/d");
  choice.option.clear();
  EXPECT_EQ(choice.Root(), "/env/d");
  choice.environment.clear();
  EXPECT_EQ(choice.Root(), "/var/lib/zavotel");
  choice.service = false;
  EXPECT_EQ(choice.Root(), "/xdg/zavotel");
  choice.xdgDataHome.clear();
  EXPECT_EQ(choice.Root(), "/home/u/.local/share/zavotel");
}

TEST(DataFolders, DefaultLayoutIsCreatedPrivateUnlessAFileIsInTheWay) {
  TempDir tmp;
  std::string root = tmp / "a/b/data";
  DataFolders folders = DataFolders::Resolve(root);
  ASSERT_TRUE(folders.CreateMissing());
  EXPECT_EQ(ModeOf(root), 0700u);
  for (const std::string& f : {folders.Ogms(), folders.MailBoxes(), folders.SystemPrompts(),
                               folders.DefaultSystemPrompts(), folders.Logs()}) {
    EXPECT_EQ(ModeOf(f), 0700u) << f;
  }
  EXPECT_TRUE(folders.CreateMissing()) << "a second start finds everything in place";
  std::ofstream(tmp / "file") << "not a folder";
  EXPECT_FALSE(DataFolders::Resolve(tmp / "file").CreateMissing()) << "a file in the way";
}

TEST(DataFolders, FoldersIniMovesSingleFolders) {
  TempDir tmp;
  std::string root = tmp / "data";
  std::filesystem::create_directories(root);
  std::ofstream(root + "/folders.ini") << "[Folders]\r\nLogs=" << tmp.Path()
                                       << "/elsewhere/logs\r\nOGMs = ivr\r\n";
  DataFolders folders = DataFolders::Resolve(root);
  EXPECT_EQ(folders.Logs(), tmp.Path() + "/elsewhere/logs");
  EXPECT_EQ(folders.Ogms(), root + "/ivr") << "relative entries are inside the root";
  EXPECT_EQ(folders.MailBoxes(), root + "/MailBoxes");
  ASSERT_TRUE(folders.CreateMissing());
  EXPECT_TRUE(std::filesystem::is_directory(tmp.Path() + "/elsewhere/logs"));
}

TEST(FirstStartSettings, WritesMissingKeysAndKeepsOwnersValues) {
  TempDir tmp;
  std::string settings = tmp / "settings.ini";
  std::ofstream(settings) << "[settings]\nnrings=5\n";
  ASSERT_TRUE(WriteFirstStartSettings(settings));
  EXPECT_EQ(ProfileReadInt(settings, "settings", "nrings", 0), 5);
  EXPECT_EQ(ProfileReadString(settings, "settings", "ogm", ""), "Default Answering Message");
  EXPECT_TRUE(ProfileReadBool(settings, "state", "on", false));
}

}  // namespace
