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

TEST_F(Expansion, BuiltInsFillInWhenNoParameterIsSetAndUnknownNamesVanish) {
  EXPECT_EQ(Expand("%cid%,%CallerName%,%did%,%drn%"), "5551234,Ann Smith,800100,2");
  EXPECT_TRUE(percent_);
  parms_.SetParm("CID", "override");
  parms_.SetParm("did", "");  // empty falls back to the call's value
  parms_.SetParm("number", "42");
  EXPECT_EQ(Expand("%cid%/%did%"), "override/800100");
  EXPECT_EQ(Expand("a%unknown%b%%c"), "abc");
  EXPECT_EQ(Expand("file%number"), "file42");  // an open percent takes the rest
  EXPECT_EQ(Expand("plain"), "plain");
  EXPECT_FALSE(percent_);
}

TEST_F(Expansion, OutputAndNamesAreCutAndInPlaceFormKeepsPlainText) {
  parms_.SetParm("big", std::string(100000, 'b'));
  EXPECT_EQ(Expand("x%big%y"), "x" + std::string(258, 'b'));
  EXPECT_EQ(Expand("abcdef", 4), "abc");
  EXPECT_EQ(Expand("abc", 0), "");
  EXPECT_EQ(Expand("a\xC3\xA9", 3), "a");  // a UTF-8 character is not split
  std::string longName(300, 'n');
  parms_.SetParm(longName.substr(0, 259), "cut");
  EXPECT_EQ(Expand("%" + longName + "%"), "cut");
  std::string longPlain(400, 'p');
  EXPECT_FALSE(ExpandParameters(longPlain, parms_, call_));
  EXPECT_EQ(longPlain.size(), 400u);
  std::string text = "Calls/%cid%.txt";
  EXPECT_TRUE(ExpandParameters(text, parms_, call_));
  EXPECT_EQ(text, "Calls/5551234.txt");
  EXPECT_EQ(StripPercent("%%a%b%"), "ab");
}

}  // namespace
