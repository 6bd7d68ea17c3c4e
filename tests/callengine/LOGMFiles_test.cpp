#include "callengine/LOGMFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace {

class OGMFiles : public ::testing::Test {
 protected:
  void Make(const std::string& file, const std::string& text) { std::ofstream(dir_ / file) << text; }
  bool Has(const std::string& file) const { return std::filesystem::exists(dir_ / file); }
  std::string Content(const std::string& file) const { return FileText(dir_ / file); }

  TempDir dir_;
  LOGMFiles files_{dir_.Path()};
};

TEST_F(OGMFiles, ExistsByDefinitionRenameAndRemoveTakeCompanionsAndNamesStayInside) {
  Make("Sales.wav", "RIFF");
  EXPECT_FALSE(files_.Exists("Sales"));
  Make("Sales.ini", "[ivr]\n");
  EXPECT_TRUE(files_.Exists("SALES"));
  EXPECT_EQ(*files_.IniPath("sales"), dir_ / "Sales.ini");
  for (const char* name : {"", "../Sales", "a/b", "a\\b", ".."}) {
    EXPECT_FALSE(files_.IniPath(name) || files_.Rename("Sales", name) || files_.Remove(name))
        << name;
  }
  EXPECT_FALSE(files_.IniPath(std::string(300, 'n')));
  Make("Sales.txt", "Hello");
  Make("Other.ini", "[ivr]\npress1go=Sales\n");
  ASSERT_TRUE(files_.Rename("sales", "Shop"));
  EXPECT_FALSE(Has("Sales.ini") || Has("Sales.wav") || Has("Sales.txt"));
  EXPECT_EQ(Content("Shop.wav") + Content("Shop.txt"), "RIFFHello");
  EXPECT_EQ(Content("Other.ini"), "[ivr]\npress1go=Sales\n");  // references stay
  EXPECT_FALSE(files_.Rename("Missing", "C") || files_.Rename("Shop", "other"));
  EXPECT_TRUE(files_.Rename("Shop", "shop"));  // a change of case only
  EXPECT_TRUE(files_.Remove("SHOP"));
  EXPECT_FALSE(Has("shop.ini") || Has("shop.wav") || Has("shop.txt") || Has("Shop.ini"));
}

}  // namespace
