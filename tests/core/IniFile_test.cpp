#include "core/IniFile.h"

#include <gtest/gtest.h>

namespace {

std::string Value(const IniFile& file, std::string_view section, std::string_view key) {
  return std::string(file.Find(section, key).value_or("<missing>"));
}

TEST(IniFileRead, NamesIgnoreCaseAndSpacesValuesLoseSpacesAndOneQuotePair) {
  IniFile file(
      "[Settings]\n"
      "  NRings = 5  \n"
      "ogm=\"  Main  \"\n"
      "twice=\"\"x\"\"\n"
      "half=\"open\n"
      "empty=\n"
      "inline=a ; not a comment\n");
  EXPECT_EQ(Value(file, "settings", "nrings"), "5");
  EXPECT_EQ(Value(file, " SETTINGS ", " NRINGS"), "5");
  EXPECT_EQ(Value(file, "settings", "ogm"), "  Main  ");
  EXPECT_EQ(Value(file, "settings", "twice"), "\"x\"");
  EXPECT_EQ(Value(file, "settings", "half"), "\"open");
  EXPECT_EQ(Value(file, "settings", "empty"), "");
  EXPECT_EQ(Value(file, "settings", "inline"), "a ; not a comment");
  EXPECT_EQ(Value(file, "settings", "none"), "<missing>");
  EXPECT_EQ(Value(file, "other", "nrings"), "<missing>");
}

TEST(IniFileRead, FirstOccurrenceWinsAndOddLinesAreSkipped) {
  IniFile file(
      "orphan=before any section\n"
      "[a]\n"
      "; k=comment\n"
      "   ;k=indented comment\n"
      "no equals sign\n"
      "=no name\n"
      "k=first\n"
      "K=second\n"
      "[b]\n"
      "k=b\n"
      "[A]\n"
      "k=third\n"
      "late=from the second [a]\n"
      "[unclosed\n"
      "u=1\n");
  EXPECT_EQ(Value(file, "a", "k"), "first");
  EXPECT_EQ(Value(file, "a", "late"), "from the second [a]");
  EXPECT_EQ(Value(file, "b", "k"), "b");
  EXPECT_EQ(Value(file, "", "orphan"), "<missing>");
  EXPECT_EQ(Value(file, "unclosed", "u"), "1");
  EXPECT_EQ(Value(file, "b", "u"), "<missing>");
}

TEST(IniFileRead, AcceptsCrLfAMissingLastLineEndAndAByteOrderMark) {
  IniFile file("\xEF\xBB\xBF[s]\r\nk=v\r\nlast=end");
  EXPECT_EQ(Value(file, "s", "k"), "v");
  EXPECT_EQ(Value(file, "s", "last"), "end");
}

TEST(IniFileEdit, ChangesTheFirstOccurrenceInPlaceKeepingEverythingElse) {
  std::string text =
      "; settings\n[Settings]\n  NRings = 3\n\n; keep\nnrings=shadowed\n[other]\nx=1\n";
  IniFile file(text);
  ASSERT_TRUE(file.Set("settings", "nrings", "5"));
  EXPECT_EQ(file.Text(),
            "; settings\n[Settings]\n  NRings = 5\n\n; keep\nnrings=shadowed\n[other]\nx=1\n");
  ASSERT_TRUE(file.Set("settings", "nrings", ""));
  EXPECT_EQ(Value(file, "settings", "nrings"), "");
  EXPECT_EQ(IniFile(file.Text()).Text(), file.Text());
}

TEST(IniFileEdit, AppendsKeysAfterTheirSectionAndSectionsAtTheEnd) {
  IniFile file("[a]\nk=1\n\n; about b\n[b]\nx=1");
  ASSERT_TRUE(file.Set("A", "new", "2"));
  ASSERT_TRUE(file.Set("b", "y", "3"));
  ASSERT_TRUE(file.Set("c", "z", "4"));
  EXPECT_EQ(file.Text(), "[a]\nk=1\nnew=2\n\n; about b\n[b]\nx=1\ny=3\n\n[c]\nz=4\n");
  EXPECT_EQ(Value(file, "a", "new"), "2");
  EXPECT_EQ(Value(file, "c", "z"), "4");
  ASSERT_TRUE(file.Set("c", "w", "5"));
  EXPECT_EQ(file.Text().substr(file.Text().size() - 8), "z=4\nw=5\n");
  IniFile empty;
  ASSERT_TRUE(empty.Set("s", "k", "v"));
  EXPECT_EQ(empty.Text(), "[s]\nk=v\n");
}

TEST(IniFileEdit, NewLinesFollowTheFilesLineEnds) {
  IniFile file("[a]\r\nk=1\r\n");
  ASSERT_TRUE(file.Set("a", "k", "2"));
  ASSERT_TRUE(file.Set("a", "j", "3"));
  ASSERT_TRUE(file.Set("b", "x", "4"));
  EXPECT_EQ(file.Text(), "[a]\r\nk=2\r\nj=3\r\n\r\n[b]\r\nx=4\r\n");
  IniFile unterminated("[a]\r\nk=1\r");
  ASSERT_TRUE(unterminated.Set("a", "j", "2"));
  EXPECT_EQ(unterminated.Text(), "[a]\r\nk=1\r\nj=2\r\n");
}

TEST(IniFileEdit, DeletesEveryOccurrenceOfAKeyOrSection) {
  IniFile file("[a]\nk=1\nj=2\n[b]\nk=b\n[a]\nk=3\n");
  file.DeleteKey("A", "K");
  EXPECT_EQ(file.Text(), "[a]\nj=2\n[b]\nk=b\n[a]\n");
  EXPECT_FALSE(file.Find("a", "k"));
  file.DeleteSection("a");
  EXPECT_EQ(file.Text(), "[b]\nk=b\n");
  EXPECT_FALSE(file.HasSection("a"));
  file.DeleteSection("missing");
  file.DeleteKey("b", "missing");
  EXPECT_EQ(file.Text(), "[b]\nk=b\n");
}

TEST(IniFileEdit, RefusesNamesThatWouldBreakTheFileAndFlattensValues) {
  IniFile file("[s]\nk=1\n");
  for (const char* key : {"", "  ", "a=b", "[k", ";k", "a\nb"}) {
    EXPECT_FALSE(file.Set("s", key, "v")) << key;
  }
  for (const char* section : {"", "a]b", "a\r\nb"}) EXPECT_FALSE(file.Set(section, "k", "v"));
  EXPECT_EQ(file.Text(), "[s]\nk=1\n");
  ASSERT_TRUE(file.Set("s", "k", "one\r\n[evil]\nk=two"));
  EXPECT_EQ(Value(file, "s", "k"), "one  [evil] k=two");
  EXPECT_FALSE(IniFile(file.Text()).HasSection("evil"));
}

}  // namespace
