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
  // Query pairs are set in order, so a repeat replaces; the decoding is the
  // query text's own, tested there.
  parms.Clear();
  parms.ParseQuery("ogm=Sales+Desk&n=1&x=1&n=2");
  EXPECT_EQ(std::tuple(parms.GetParm("ogm"), parms.GetParm("n"), parms.Size()), std::tuple("Sales Desk", "2", 3u));
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
