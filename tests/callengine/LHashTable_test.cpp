#include "callengine/LHashTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/Profile.h"
#include "support/TempDir.h"

namespace {

// "Name" and "name" are two entries; a lookup finds the newest of any case.
TEST(LHashTable, SetReplacesExactNameOnlyAndGetFindsNewestIgnoringCase) {
  LHashTable parms;
  parms.SetParm("Name", "first");
  EXPECT_EQ(parms.GetParm("name"), "first");
  parms.SetParm("name", "second");
  EXPECT_EQ(parms.GetParm("NAME"), "second");
  parms.SetParm("Name", "third");  // replaced in place, still older than "name"
  EXPECT_EQ(parms.Size(), 2u);
  EXPECT_EQ(parms.GetParm("Name"), "second");
  EXPECT_EQ(parms.GetParm("missing", "fallback"), "fallback");
  parms.SetParm("", "ignored");
  parms.SetParm("empty", "");
  EXPECT_EQ(parms.Size(), 3u);
  EXPECT_EQ(parms.GetParm("empty", "fallback"), "");
}

TEST(LHashTable, QueryTextDecodesPlusAndHexAndRepeatsReplace) {
  LHashTable parms;
  parms.ParseQuery("ogm=Sales+Desk&a%3Db=x%26y&=skipped&pct=100%&bad=%zz&last&n&x=1&n=2&end");
  EXPECT_EQ(parms.GetParm("ogm"), "Sales Desk");
  EXPECT_EQ(parms.GetParm("a=b"), "x&y");
  EXPECT_EQ(parms.GetParm("pct"), "100%");
  EXPECT_EQ(parms.GetParm("bad"), "%zz");
  EXPECT_EQ(parms.GetParm("last&n&x"), "1");  // a name runs to the equals sign
  EXPECT_EQ(parms.GetParm("n"), "2");
  EXPECT_EQ(parms.GetParm("end", "unset"), "");
  EXPECT_EQ(parms.Size(), 7u);
}

TEST(LHashTable, WriteAllStoresEveryEntryInOneSectionNewestWinning) {
  TempDir dir;
  std::string file = dir / "message.ini";
  LHashTable parms;
  const std::string longValue(1000, 'v');
  parms.SetParm("Note", "old");
  parms.SetParm("note", "new");
  parms.SetParm("long", longValue);
  parms.SetParm("bad=name", "skipped");
  ASSERT_TRUE(parms.WriteAll(file, "parms"));
  EXPECT_EQ(ProfileReadString(file, "parms", "note", ""), "new");
  std::ifstream in(file);
  std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("long=" + longValue + "\n"), std::string::npos);
  EXPECT_EQ(text.find("skipped"), std::string::npos);
}

}  // namespace
