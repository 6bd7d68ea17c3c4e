#include <gtest/gtest.h>

#include "callengine/SpokenNumbers.h"

namespace {

using Words = std::vector<std::string>;

Words Names(const LPromptList &list) {
  Words names;
  for (const std::string &file : list.Files()) {
    names.push_back(file.substr(2, file.size() - 6));  // less "p/" and ".wav"
  }
  return names;
}

Words Read(std::string_view text, int type) {
  LPromptList list("p");
  ReadNumber(list, text, type);
  return Names(list);
}

TEST(SpokenNumbers, NumbersAreSpokenInWords) {
  const std::pair<const char *, Words> cases[] = {
      {"0", {"0"}},
      {"20", {"20"}},
      {"21", {"20", "1"}},
      {"115", {"1", "100", "15"}},
      {"1234", {"1", "1000", "2", "100", "30", "4"}},
      {"999999", {"9", "100", "90", "9", "1000", "9", "100", "90", "9"}},
      {"1000000", {"1", "Million"}},
      {"2000000", {"2", "Million"}},
      {"-7", {"-7"}},
      {" 42abc", {"40", "2"}},
      {"abc", {"0"}},
  };
  for (const auto &[text, words] : cases) EXPECT_EQ(Read(text, 1), words) << text;
  // Saturates at 2147483647 instead of overflowing.
  EXPECT_EQ(Read("99999999999", 1).size(), 16u);
}

TEST(SpokenNumbers, DigitsDollarsAndUnknownTypes) {
  EXPECT_EQ(Read("2#5", 0), (Words{"2", "#", "5"}));
  EXPECT_EQ(Read("12345", 2), (Words{"1", "100", "20", "3", "Dollars", "40", "5", "Cents"}));
  EXPECT_EQ(Read("500", 2), (Words{"5", "Dollars"}));
  EXPECT_EQ(Read("12", 3), (Words{"12", "Dollars"}));
  EXPECT_TRUE(Read("12", 4).empty());
  EXPECT_TRUE(Read("12", -1).empty());
}

TEST(SpokenNumbers, MessageTimesOnATwelveHourClock) {
  const std::tuple<int, bool, Words> cases[] = {
      {22 * 3600 + 5 * 60, true, {"10", "5", "PM", "Today"}},
      {12 * 3600, false, {"12", "PM", "Yesterday"}},
      {30 * 60, true, {"12", "30", "AM", "Today"}},
      {11 * 3600 + 59 * 60 + 59, true, {"11", "50", "9", "AM", "Today"}},
  };
  for (const auto &[seconds, today, words] : cases) {
    LPromptList list("p");
    SpeakMessageTime(list, seconds, today);
    EXPECT_EQ(Names(list), words) << seconds;
  }
}

}  // namespace
