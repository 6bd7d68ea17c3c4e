#include "core/Path.h"

#include <gtest/gtest.h>

namespace {

TEST(Path, JoinAddsOneSeparatorAndCutsAt259WithoutSplittingAUtf8Character) {
  EXPECT_EQ(PathJoin("/data/", "settings.ini"), "/data/settings.ini");
  EXPECT_EQ(PathJoin("C:\\data\\", "settings.ini"), "C:\\data\\settings.ini");
  EXPECT_EQ(PathJoin("", "settings.ini"), "settings.ini");
  EXPECT_EQ(PathJoin(std::string(250, 'f'), std::string(20, 'n')),
            std::string(250, 'f') + "/" + std::string(8, 'n'));

  const std::string text = std::string(257, 'a') + "\xE2\x82\xAC";  // a three-byte euro sign
  EXPECT_EQ(CutText(text), std::string(257, 'a'));
  EXPECT_EQ(CutText("ab\xC3\xA9", 3), "ab");
  // Not UTF-8 (continuation bytes only): cut where asked.
  EXPECT_EQ(CutText(std::string(10, '\x80'), 5), std::string(5, '\x80'));
}

TEST(Path, PartsAcceptBothSeparatorsAndExtensionsOnlyInTheLastElement) {
  EXPECT_EQ(PathReplaceExtension("OGMs/Main.wav", ".ini"), "OGMs/Main.ini");
  EXPECT_EQ(PathReplaceExtension("my.folder\\Main", ".ini"), "my.folder\\Main.ini");
  EXPECT_EQ(PathReplaceExtension("a.b.c", ".d"), "a.b.d");
  EXPECT_EQ(PathStripExtension("my.folder/100.mbx"), "my.folder/100");
  EXPECT_EQ(PathFolder("C:\\Zavotel\\OGMs\\Main.ini"), "C:\\Zavotel\\OGMs");
  EXPECT_EQ(PathFolder("/settings.ini"), "/");
  EXPECT_EQ(PathFileName("C:\\Zavotel/OGMs\\Main.ini"), "Main.ini");
  EXPECT_EQ(PathTitle("/data/System Prompts/GoodBye.wav"), "GoodBye");
  EXPECT_EQ(PathTitle("/data.d/README"), "README");
}

}  // namespace
