#include "core/Path.h"

#include <gtest/gtest.h>

namespace {

TEST(Path, JoinAddsOneSeparatorAndCutsAt259WithoutSplittingAUtf8Character) {
  EXPECT_EQ(PathJoin("/data/", "a") + " " + PathJoin("C:\\data\\", "b") + " " + PathJoin("", "c"), "/data/a C:\\data\\b c");
  EXPECT_EQ(PathJoin(std::string(250, 'f'), std::string(20, 'n')), std::string(250, 'f') + "/" + std::string(8, 'n'));
  // A three-byte euro sign goes whole; not UTF-8 (continuation bytes only), the text is cut where asked.
  EXPECT_EQ(CutText(std::string(257, 'a') + "\xE2\x82\xAC"), std::string(257, 'a'));
  EXPECT_EQ(CutText("ab\xC3\xA9", 3) + "|" + CutText(std::string(10, '\x80'), 5), "ab|" + std::string(5, '\x80'));
}

TEST(Path, PartsAcceptBothSeparatorsAndExtensionsOnlyInTheLastElement) {
  EXPECT_EQ(PathReplaceExtension("OGMs/Main.wav", ".ini") + " " + PathReplaceExtension("my.folder\\Main", ".ini") + " " +
                PathReplaceExtension("a.b.c", ".d"), "OGMs/Main.ini my.folder\\Main.ini a.b.d");
  EXPECT_EQ(PathStripExtension("my.folder/100.mbx"), "my.folder/100");
  EXPECT_EQ(PathFolder("C:\\Zavotel\\OGMs\\Main.ini") + " " + PathFolder("/settings.ini"), "C:\\Zavotel\\OGMs /");
  EXPECT_EQ(PathFileName("C:\\Zavotel/OGMs\\Main.ini"), "Main.ini");
  EXPECT_EQ(PathTitle("/data/System Prompts/GoodBye.wav") + " " + PathTitle("/data.d/README"), "GoodBye README");
}

}  // namespace
