#include "callengine/LHashTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/Profile.h"
#include "support/TempDir.h"

namespace {

// "Name" and "name" are two entries; a lookup finds the newest of any case.
TEST(LHashTable, SetReplacesExactNameOnlyGetFindsNewestIgnoringCaseAndQueriesDecode) {
  LHashTable parms;
  parms.SetParm("Name", "first");
  parms.SetParm("name", "second");
  parms.SetParm("Name", "third");  // replaced in place, still older than "name"
  parms.SetParm("", "ignored");
  parms.SetParm("empty", "");
  EXPECT_EQ(std::tuple(parms.Size(), parms.GetParm("NAME")), std::tuple(3u, "second"));
  EXPECT_EQ(parms.GetParm("missing", "fallback") + parms.GetParm("empty", "fallback"), "fallback");
  // Query text decodes plus and hex; repeats replace.
  parms.Clear();
  parms.ParseQuery("ogm=Sales+Desk&a%3Db=x%26y&=skipped&pct=100%&bad=%zz&last&n&x=1&n=2&end");
  // A name runs to the equals sign.
  for (auto [name, value] : {std::pair{"ogm", "Sales Desk"}, {"a=b", "x&y"}, {"pct", "100%"},
                             {"bad", "%zz"}, {"last&n&x", "1"}, {"n", "2"}, {"end", ""}})
    EXPECT_EQ(parms.GetParm(name, "unset"), value) << name;
  EXPECT_EQ(parms.Size(), 7u);
}

TEST(LHashTable, WriteAllStoresEveryEntryInOneSectionNewestWinning) {
  TempDir dir;
  const std::string file = dir / "message.ini", longValue(1000, 'v');
  LHashTable parms;
  parms.SetParm("Note", "old");
  parms.SetParm("note", "new");
  parms.SetParm("long", longValue);
  parms.SetParm("bad=name", "skipped");
  ASSERT_TRUE(parms.WriteAll(file, "parms"));
  EXPECT_EQ(ProfileReadString(file, "parms", "note", ""), "new");
  const std::string text = FileText(file);
  EXPECT_NE(text.find("long=" + longValue + "\n"), std::string::npos);
  EXPECT_EQ(text.find("skipped"), std::string::npos);
}

}  // namespace
