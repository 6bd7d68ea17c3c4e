#include "callengine/LOGMFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace {

class OGMFiles : public ::testing::Test {
 protected:
  void Make(const std::string& file, const std::string& text = "x") {
    std::ofstream(dir_ / file) << text;
  }
  bool Has(const std::string& file) const { return std::filesystem::exists(dir_ / file); }
  std::string Content(const std::string& file) const {
    std::ifstream in(dir_ / file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TempDir dir_;
  LOGMFiles files_{dir_.Path()};
};

TEST_F(OGMFiles, AnOGMExistsExactlyWhenItsDefinitionDoes) {
  Make("Sales.wav");
  Make("Sales.txt");
  EXPECT_FALSE(files_.Exists("Sales"));
  Make("Sales.ini");
  EXPECT_TRUE(files_.Exists("Sales"));
  EXPECT_TRUE(files_.Exists("SALES"));
  EXPECT_EQ(*files_.IniPath("sales"), dir_ / "Sales.ini");
  EXPECT_EQ(*files_.IniPath("New One"), dir_ / "New One.ini");
}

TEST_F(OGMFiles, NamesLeavingTheFolderAreRefused) {
  Make("Sales.ini");
  for (const char* name : {"", "../Sales", "a/b", "a\\b", ".."}) {
    EXPECT_FALSE(files_.IniPath(name)) << name;
    EXPECT_FALSE(files_.Exists(name)) << name;
    EXPECT_FALSE(files_.Rename("Sales", name)) << name;
    EXPECT_FALSE(files_.Remove(name)) << name;
  }
  EXPECT_FALSE(files_.IniPath(std::string(300, 'n')));
  EXPECT_TRUE(Has("Sales.ini"));
}

TEST_F(OGMFiles, RenameMovesAllThreeFilesTogether) {
  Make("Sales.ini", "[ivr]\n");
  Make("Sales.wav", "RIFF");
  Make("Sales.txt", "Hello");
  Make("Other.ini", "[ivr]\npress1=go\npress1go=Sales\n");
  ASSERT_TRUE(files_.Rename("sales", "Shop"));
  EXPECT_FALSE(Has("Sales.ini") || Has("Sales.wav") || Has("Sales.txt"));
  EXPECT_EQ(Content("Shop.wav"), "RIFF");
  EXPECT_EQ(Content("Shop.txt"), "Hello");
  EXPECT_TRUE(files_.Exists("Shop"));
  // References are left as they were.
  EXPECT_NE(Content("Other.ini").find("press1go=Sales"), std::string::npos);
}

TEST_F(OGMFiles, RenameRefusesMissingSourceAndTakenName) {
  Make("A.ini", "a");
  Make("B.ini", "b");
  EXPECT_FALSE(files_.Rename("Missing", "C"));
  EXPECT_FALSE(files_.Rename("A", "b"));
  EXPECT_EQ(Content("B.ini"), "b");
  EXPECT_TRUE(files_.Rename("A", "a"));  // a change of case only
  EXPECT_EQ(Content("a.ini"), "a");
  EXPECT_FALSE(Has("A.ini"));
}

TEST_F(OGMFiles, RemoveDeletesTheCompanionsToo) {
  Make("Gone.ini");
  Make("Gone.wav");
  EXPECT_TRUE(files_.Remove("gone"));
  EXPECT_FALSE(Has("Gone.ini") || Has("Gone.wav"));
  EXPECT_FALSE(files_.Remove("Gone"));
  Make("Gone.txt");  // a stray text is no OGM
  EXPECT_FALSE(files_.Remove("Gone"));
}

}  // namespace
