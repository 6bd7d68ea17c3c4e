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
  EXPECT_EQ(Value(file, "b", "k") + Value(file, "unclosed", "last") + Value(file, "b", "last") +
                Value(file, "other", "nrings"),
            "bend<missing><missing>");
  EXPECT_FALSE(IniFile("orphan=before any section\n[s]\n").Find("", "orphan"));
}

// A key is changed where it first occurs, keeping everything else; new keys
// go after their section's last key, new sections at the end, in the file's
// line ends.
TEST(IniFileEdit, ChangesInPlaceAndAppendsKeysAfterTheirSectionAndSectionsAtTheEnd) {
  IniFile file("; settings\n[Settings]\n  NRings = 3\n\n; keep\nnrings=shadowed\n[other]\nx=1\n");
  ASSERT_TRUE(file.Set("settings", "nrings", "5"));
  EXPECT_EQ(file.Text(), "; settings\n[Settings]\n  NRings = 5\n\n; keep\nnrings=shadowed\n[other]\nx=1\n");
  EXPECT_TRUE(file.Set("settings", "nrings", "") && Value(file, "settings", "nrings").empty());
  EXPECT_EQ(IniFile(file.Text()).Text(), file.Text());
  IniFile appended("[a]\nk=1\n\n; about b\n[b]\nx=1"), crlf("[a]\r\nk=1\r"), empty;
  ASSERT_TRUE(appended.Set("A", "new", "2") && appended.Set("b", "y", "3") && appended.Set("c", "z", "4") &&
              appended.Set("c", "w", "5") && crlf.Set("a", "j", "3") && crlf.Set("b", "x", "4") && empty.Set("s", "k", "v"));
  EXPECT_EQ(appended.Text(), "[a]\nk=1\nnew=2\n\n; about b\n[b]\nx=1\ny=3\n\n[c]\nz=4\nw=5\n");
  EXPECT_EQ(crlf.Text(), "[a]\r\nk=1\r\nj=3\r\n\r\n[b]\r\nx=4\r\n");
  EXPECT_EQ(empty.Text(), "[s]\nk=v\n");
}

// Deleting removes every occurrence; names that would break the file are
// refused and values are flattened to one line.
TEST(IniFileEdit, DeletesEveryOccurrenceAndRefusesNamesThatWouldBreakTheFile) {
  IniFile file("[a]\nk=1\nj=2\n[b]\nk=b\n[a]\nk=3\n");
  file.DeleteKey("A", "K");
  EXPECT_EQ(file.Text(), "[a]\nj=2\n[b]\nk=b\n[a]\n");
  file.DeleteSection("a"), file.DeleteSection("missing"), file.DeleteKey("b", "missing");
  EXPECT_TRUE(file.Text() == "[b]\nk=b\n" && !file.HasSection("a"));
  for (const char* key : {"", "  ", "a=b", "[k", ";k", "a\nb"}) EXPECT_FALSE(file.Set("b", key, "v")) << key;
  for (const char* section : {"", "a]b", "a\r\nb"}) EXPECT_FALSE(file.Set(section, "k", "v")) << section;
  EXPECT_EQ(file.Text(), "[b]\nk=b\n");
  ASSERT_TRUE(file.Set("b", "k", "one\r\n[evil]\nk=two"));
  EXPECT_TRUE(Value(file, "b", "k") == "one  [evil] k=two" && !IniFile(file.Text()).HasSection("evil"));
}

}  // namespace
