#include "callengine/ParameterText.h"

#include <gtest/gtest.h>

#include "core/Profile.h"
#include "support/TempDir.h"

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
  parms_.ParseQuery("CID=override&did=&number=42");  // an empty "did" falls back to the call's
  parms_.SetParm("big", std::string(100000, 'b'));
  parms_.SetParm(std::string(259, 'n'), "cut");
  // An open percent takes the rest; output and names are cut; UTF-8 is not split.
  for (auto [text, size, out] : {std::tuple{"%cid%/%did%", kExpandSize, "override/800100"},
                                 {"a%unknown%b%%c", kExpandSize, "abc"},
                                 {"file%number", kExpandSize, "file42"}, {"abcdef", 4, "abc"},
                                 {"abc", 0, ""}, {"a\xC3\xA9", 3, "a"}})
    EXPECT_EQ(Expand(text, size), out) << text;
  EXPECT_EQ(Expand("x%big%y"), "x" + std::string(258, 'b'));
  EXPECT_EQ(Expand("%" + std::string(300, 'n') + "%"), "cut");
  EXPECT_EQ(Expand("plain"), "plain");
  EXPECT_FALSE(percent_);
}

TEST_F(Expansion, InPlaceFormKeepsPlainText) {
  std::string longPlain(400, 'p');
  EXPECT_FALSE(ExpandParameters(longPlain, parms_, call_));
  EXPECT_EQ(longPlain.size(), 400u);
  std::string text = "Calls/%cid%.txt";
  EXPECT_TRUE(ExpandParameters(text, parms_, call_));
  EXPECT_EQ(std::tuple(text, StripPercent("%%a%b%")), std::tuple("Calls/5551234.txt", "ab"));
}

// A caller's number or name cannot lead a path elsewhere: separators go,
// dots alone give nothing, the text around the value stays.
TEST_F(Expansion, PathValuesLoseSeparatorsAndBareDots) {
  for (auto [value, out] : {std::pair{"..%2FMailBoxes%2FDefault ICM000006", "OGMs/..MailBoxesDefault ICM000006.wav"},
                            {"%2Fetc%2Fpasswd", "OGMs/etcpasswd.wav"}, {"..", "OGMs/.wav"},
                            {"a\\..\\b", "OGMs/a..b.wav"}, {"J. Smith", "OGMs/J. Smith.wav"}}) {
    parms_.ParseQuery(std::string("cid=") + value);
    std::string text = "OGMs/%cid%.wav";
    EXPECT_TRUE(ExpandPathParameters(text, parms_, call_));
    EXPECT_EQ(text, out) << value;
  }
  parms_.ParseQuery("a=.&b=.");
  std::string joined = "x/%a%%b%/y";
  ExpandPathParameters(joined, parms_, call_);
  EXPECT_EQ(joined, "x//y");
}

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
