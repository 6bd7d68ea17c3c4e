// A keep-list deletes exactly the files whose titles it does not name.
#include "IvrTestSupport.h"

using namespace ivr_test;

namespace {

struct KeepCase { const char* what; uint8_t tag; std::vector<std::string> keep; std::vector<std::string> remaining; };

const std::vector<std::string> kOgms = {"Main.ini", "Main.wav", "main.txt", "Main Menu.ini", "Other.ini",
                                        "Other.mp3", "README", ".hidden"};
const std::vector<std::string> kMailBoxes = {"Sales.mbx", "Support.mbx", "Support OGM.wav",
                                             "Support ICM000001.wav", "Support ICM000001.ini"};

TEST_F(IvrFixture, KeepListsDeleteExactlyTheFilesTheyDoNotName) {
  const KeepCase rows[] = {
      {"one OGM", 0x10, {"Main"}, {".hidden", "Main.ini", "Main.wav", "main.txt"}},
      {"titles without case", 0x10, {"MAIN", "other", ""}, {".hidden", "Main.ini", "Main.wav", "Other.ini", "Other.mp3", "main.txt"}},
      {"empty list", 0x10, {}, kOgms},
      {"padding only", 0x10, {"", ""}, kOgms},
      {"mailboxes only by .mbx", 0x11, {"Sales"}, {"Sales.mbx", "Support ICM000001.ini", "Support ICM000001.wav", "Support OGM.wav"}},
  };
  for (const KeepCase& row : rows) {
    SCOPED_TRACE(row.what);
    const bool ogms = row.tag == 0x10;
    const std::string folder = ogms ? folders_.Ogms() : folders_.MailBoxes();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    for (const std::string& name : ogms ? kOgms : kMailBoxes) WriteFile(folder + "/" + name, "x");
    EXPECT_EQ(Load(Outside("keep.ivr", IvrBytes().Header().List(row.tag, row.keep).End().Bytes())).result, kProcessDone);
    std::vector<std::string> remaining;
    for (const auto& [name, content] : Tree(folder)) remaining.push_back(name);
    std::vector<std::string> expected = row.remaining;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(remaining, expected);
  }
}

}  // namespace
