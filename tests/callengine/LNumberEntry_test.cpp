#include "callengine/LNumberEntry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace {

using Entry = LNumberEntry::Entry;

class NumberEntry : public ::testing::Test {
 protected:
  void Node(const std::string& ivr) { std::ofstream(ogm_) << "[ivr]\ntype=enternumber\n" << ivr; }
  // Keys in a fresh entry; the result of the last one.
  LNumberEntry::Result Keys(const std::string& keys) {
    entry_.Clear();
    LNumberEntry::Result result;
    for (char key : keys) result = entry_.Press(key, ogm_, parms_, call_);
    return result;
  }
  Entry Outcome(const std::string& keys) { return Keys(keys).entry; }

  TempDir dir_;
  std::string ogm_ = dir_ / "Entry.ini";
  LNumberEntry entry_{dir_.Path()};
  LHashTable parms_;
  LCallIdentity call_{"5551234", "", "", 0};
};

TEST_F(NumberEntry, CompletesAtMaxDigitsOrHashAndNamesTheVariable) {
  Node("varname=%account%\n");
  EXPECT_EQ(Outcome("123"), Entry::kIncomplete);
  LNumberEntry::Result done = Keys("1234");
  EXPECT_EQ(done.entry, Entry::kAccepted);
  EXPECT_EQ(done.variable, "account");
  EXPECT_EQ(done.digits, "1234");
  LNumberEntry::Result hash = Keys("1A2#");
  EXPECT_EQ(hash.entry, Entry::kAccepted);
  EXPECT_EQ(hash.digits, "12");
  Node("");
  EXPECT_EQ(Keys("9#").variable, "number");
}

TEST_F(NumberEntry, StarIsReportedWhateverElseHappens) {
  Node("maxdigits=2\n");
  LNumberEntry::Result star = Keys("1*");
  EXPECT_TRUE(star.pressStar);
  EXPECT_EQ(star.entry, Entry::kIncomplete);
  EXPECT_FALSE(Keys("1#").pressStar);
}

TEST_F(NumberEntry, AtMostThirtyOneDigitsAreHeld) {
  Node("maxdigits=40\n");
  LNumberEntry::Result result = Keys(std::string(40, '7') + "#");
  EXPECT_EQ(result.digits, std::string(31, '7'));
}

TEST_F(NumberEntry, LimitsReadTheLeadingInteger) {
  Node("varlimit=true\nvarlimitmin=100\nvarlimitmax=999\n");
  LNumberEntry::Result leadingZero = Keys("0999");
  EXPECT_EQ(leadingZero.entry, Entry::kAccepted);
  EXPECT_EQ(leadingZero.digits, "0999");
  EXPECT_EQ(Outcome("1000"), Entry::kInvalid);
  EXPECT_EQ(Outcome("99#"), Entry::kInvalid);
  EXPECT_EQ(Outcome("100#"), Entry::kAccepted);
}

TEST_F(NumberEntry, InlineListIncludesOrExcludes) {
  Node("varlimitlistenabled=true\nvarlimitlist=1234, \"5678\"\n");
  EXPECT_EQ(Outcome("5678"), Entry::kAccepted);
  EXPECT_EQ(Outcome("4321"), Entry::kInvalid);
  Node("varlimitlistenabled=true\nvarlimitlistexclude=true\nvarlimitlist=1234,5678\n");
  EXPECT_EQ(Outcome("5678"), Entry::kInvalid);
  EXPECT_EQ(Outcome("4321"), Entry::kAccepted);
}

TEST_F(NumberEntry, ListFilesResolveInTheDataRootAndUnreadableOnesAcceptAll) {
  std::ofstream(dir_ / "Lists-5551234.txt") << "1111,2222";
  Node("varlimitlistenabled=true\nvarlimitlistisfile=true\nvarlimitlistfile=lists-%cid%.txt\n");
  EXPECT_EQ(Outcome("2222"), Entry::kAccepted);
  EXPECT_EQ(Outcome("3333"), Entry::kInvalid);
  Node("varlimitlistenabled=true\nvarlimitlistisfile=true\nvarlimitlistfile=" + dir_.Path() +
       "/Lists-5551234.txt\n");
  EXPECT_EQ(Outcome("3333"), Entry::kInvalid);
  Node("varlimitlistenabled=true\nvarlimitlistisfile=true\nvarlimitlistfile=none.txt\n");
  EXPECT_EQ(Outcome("3333"), Entry::kAccepted);
  Node("varlimitlistenabled=true\nvarlimitlistisfile=true\nvarlimitlistfile=../x.txt\n");
  EXPECT_EQ(Outcome("3333"), Entry::kAccepted);
}

TEST_F(NumberEntry, OnlyTheFirst32766BytesOfAListFileCount) {
  std::string text(32762, ' ');
  text += ",1234,5678";
  std::ofstream(dir_ / "big.txt") << text;
  Node("varlimitlistenabled=true\nvarlimitlistisfile=true\nvarlimitlistfile=big.txt\n");
  EXPECT_EQ(Outcome("1234"), Entry::kInvalid);  // cut to "123"
  EXPECT_EQ(Outcome("5678"), Entry::kInvalid);
  EXPECT_EQ(Outcome("123#"), Entry::kAccepted);
}

}  // namespace
