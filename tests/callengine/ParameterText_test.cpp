#include "callengine/ParameterText.h"

#include <gtest/gtest.h>

namespace {

class Expansion : public ::testing::Test {
 protected:
  std::string Expand(std::string_view text, std::size_t size = kExpandSize) {
    std::string out;
    percent_ = ExpandParameters(text, out, size, parms_, call_);
    return out;
  }

  LHashTable parms_;
  LCallIdentity call_{"5551234", "Ann Smith", "800100", 2};
  bool percent_ = false;
};

TEST_F(Expansion, BuiltInsFillInWhenNoParameterIsSet) {
  EXPECT_EQ(Expand("%cid%,%CallerName%,%did%,%drn%"), "5551234,Ann Smith,800100,2");
  EXPECT_TRUE(percent_);
  parms_.SetParm("CID", "override");
  parms_.SetParm("did", "");  // empty falls back to the call's value
  EXPECT_EQ(Expand("%cid%/%did%"), "override/800100");
}

TEST_F(Expansion, UnknownNamesVanishAndAnOpenPercentTakesTheRest) {
  parms_.SetParm("number", "42");
  EXPECT_EQ(Expand("a%unknown%b%%c"), "abc");
  EXPECT_EQ(Expand("file%number"), "file42");
  EXPECT_EQ(Expand("plain"), "plain");
  EXPECT_FALSE(percent_);
  EXPECT_EQ(Expand("end%"), "end");
  EXPECT_TRUE(percent_);
}

TEST_F(Expansion, OutputAndNamesAreCut) {
  parms_.SetParm("big", std::string(100000, 'b'));
  EXPECT_EQ(Expand("x%big%y"), "x" + std::string(258, 'b'));
  EXPECT_EQ(Expand("abcdef", 4), "abc");
  EXPECT_EQ(Expand("abc", 0), "");
  std::string longName(300, 'n');
  parms_.SetParm(longName.substr(0, 259), "cut");
  EXPECT_EQ(Expand("%" + longName + "%"), "cut");
  // UTF-8 characters are not split at the cut.
  EXPECT_EQ(Expand("a\xC3\xA9", 3), "a");
}

TEST_F(Expansion, InPlaceFormChangesOnlyTextWithPercent) {
  std::string longPlain(400, 'p');
  EXPECT_FALSE(ExpandParameters(longPlain, parms_, call_));
  EXPECT_EQ(longPlain.size(), 400u);
  std::string text = "Calls/%cid%.txt";
  EXPECT_TRUE(ExpandParameters(text, parms_, call_));
  EXPECT_EQ(text, "Calls/5551234.txt");
}

TEST(ParameterText, StripPercentRemovesEverySign) {
  EXPECT_EQ(StripPercent("%number%"), "number");
  EXPECT_EQ(StripPercent("number"), "number");
  EXPECT_EQ(StripPercent("%%a%b"), "ab");
}

TEST(ParameterText, ListItemsAreTrimmedOfSpacesAndOneQuoteEachSide) {
  EXPECT_TRUE(ListContains("123, 456", "456"));
  EXPECT_FALSE(ListContains("123, 456", "4567"));
  EXPECT_FALSE(ListContains("123, 456", "45"));
  EXPECT_TRUE(ListContains("  \"789\"  ,1", "789"));
  EXPECT_TRUE(ListContains("\"\"7\"\"", "\"7\""));  // only one quote each side goes
  EXPECT_FALSE(ListContains("abc", "ABC"));
  EXPECT_TRUE(ListContains("1,,2", ""));
  EXPECT_FALSE(ListContains("1,2", ""));
}

}  // namespace
