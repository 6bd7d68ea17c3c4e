#include "core/IniFile.h"

#include <gtest/gtest.h>

namespace {

std::string Value(const IniFile& file, std::string_view section, std::string_view key) {
  return std::string(file.Find(section, key).value_or("<missing>"));
}

TEST(IniFileRead, NamesIgnoreCaseAndSpacesValuesLoseSpacesAndOneQuotePair) {
  IniFile file(
      "\xEF\xBB\xBF[Settings]\r\n  NRings = 5  \r\nogm=\"  Main  \"\r\ntwice=\"\"x\"\"\n"
      "half=\"open\nempty=\ninline=a ; not a comment\n; k=comment\n   ;k=indented comment\n"
      "no equals sign\n=no name\nk=first\nK=second\n[b]\nk=b\n"
      "[SETTINGS]\nk=third\nlate=from the second section\n[unclosed\nlast=end");
  std::string values;
  for (const char* key :
       {" NRINGS", "ogm", "twice", "half", "empty", "inline", "k", "late", "none"})
    values += Value(file, " SETTINGS ", key) + "|";
  EXPECT_EQ(values,
            "5|  Main  |\"x\"|\"open||a ; not a comment|first|from the second section|<missing>|");
  EXPECT_EQ(Value(file, "b", "k"), "b");
  EXPECT_EQ(Value(file, "unclosed", "last"), "end");
  EXPECT_EQ(Value(file, "b", "last"), "<missing>");
  EXPECT_EQ(Value(file, "other", "nrings"), "<missing>");
  EXPECT_FALSE(IniFile("orphan=before any section\n[s]\n").Find("", "orphan"));
}

TEST(IniFileEdit, ChangesTheFirstOccurrenceInPlaceKeepingEverythingElse) {
  IniFile file("; settings\n[Settings]\n  NRings = 3\n\n; keep\nnrings=shadowed\n[other]\nx=1\n");
  ASSERT_TRUE(file.Set("settings", "nrings", "5"));
  EXPECT_EQ(file.Text(),
            "; settings\n[Settings]\n  NRings = 5\n\n; keep\nnrings=shadowed\n[other]\nx=1\n");
  ASSERT_TRUE(file.Set("settings", "nrings", ""));
  EXPECT_EQ(Value(file, "settings", "nrings"), "");
  EXPECT_EQ(IniFile(file.Text()).Text(), file.Text());
}

TEST(IniFileEdit, AppendsKeysAfterTheirSectionAndSectionsAtTheEndInTheFilesLineEnds) {
  IniFile file("[a]\nk=1\n\n; about b\n[b]\nx=1");
  ASSERT_TRUE(file.Set("A", "new", "2"));
  ASSERT_TRUE(file.Set("b", "y", "3"));
  ASSERT_TRUE(file.Set("c", "z", "4"));
  ASSERT_TRUE(file.Set("c", "w", "5"));
  EXPECT_EQ(file.Text(), "[a]\nk=1\nnew=2\n\n; about b\n[b]\nx=1\ny=3\n\n[c]\nz=4\nw=5\n");

  IniFile crlf("[a]\r\nk=1\r");
  ASSERT_TRUE(crlf.Set("a", "j", "3"));
  ASSERT_TRUE(crlf.Set("b", "x", "4"));
  EXPECT_EQ(crlf.Text(), "[a]\r\nk=1\r\nj=3\r\n\r\n[b]\r\nx=4\r\n");
  IniFile empty;
  ASSERT_TRUE(empty.Set("s", "k", "v"));
  EXPECT_EQ(empty.Text(), "[s]\nk=v\n");
}

TEST(IniFileEdit, DeletesEveryOccurrenceOfAKeyOrSection) {
  IniFile file("[a]\nk=1\nj=2\n[b]\nk=b\n[a]\nk=3\n");
  file.DeleteKey("A", "K");
  EXPECT_EQ(file.Text(), "[a]\nj=2\n[b]\nk=b\n[a]\n");
  EXPECT_FALSE(file.Find("a", "k"));
  file.DeleteSection("a");
  file.DeleteSection("missing");
  file.DeleteKey("b", "missing");
  EXPECT_EQ(file.Text(), "[b]\nk=b\n");
  EXPECT_FALSE(file.HasSection("a"));
}

TEST(IniFileEdit, RefusesNamesThatWouldBreakTheFileAndFlattensValues) {
  IniFile file("[s]\nk=1\n");
  for (const char* key : {"", "  ", "a=b", "[k", ";k", "a\nb"})
    EXPECT_FALSE(file.Set("s", key, "v"));
  for (const char* section : {"", "a]b", "a\r\nb"}) EXPECT_FALSE(file.Set(section, "k", "v"));
  EXPECT_EQ(file.Text(), "[s]\nk=1\n");
  ASSERT_TRUE(file.Set("s", "k", "one\r\n[evil]\nk=two"));
  EXPECT_EQ(Value(file, "s", "k"), "one  [evil] k=two");
  EXPECT_FALSE(IniFile(file.Text()).HasSection("evil"));
}

}  // namespace
