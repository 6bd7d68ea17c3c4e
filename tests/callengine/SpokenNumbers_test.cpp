#include <gtest/gtest.h>

#include <tuple>

#include "callengine/SpokenNumbers.h"

namespace {

// The prompt names read for `text`, less "p/" and ".wav", between spaces.
std::string Read(std::string_view text, int type) {
  LPromptList list("p");
  ReadNumber(list, text, type);
  std::string names;
  for (const std::string &file : list.Files()) names += file.substr(2, file.size() - 6) + " ";
  return names;
}

TEST(SpokenNumbers, NumbersDigitsAndDollarsAreSpokenInWords) {
  const std::tuple<const char *, int, const char *> cases[] = {
      {"0", 1, "0 "}, {"20", 1, "20 "}, {"21", 1, "20 1 "}, {"115", 1, "1 100 15 "},
      {"1234", 1, "1 1000 2 100 30 4 "}, {"999999", 1, "9 100 90 9 1000 9 100 90 9 "},
      {"1000000", 1, "1 Million "}, {"2000000", 1, "2 Million "}, {"-7", 1, "-7 "},
      {" 42abc", 1, "40 2 "}, {"abc", 1, "0 "}, {"2#5", 0, "2 # 5 "},
      {"12345", 2, "1 100 20 3 Dollars 40 5 Cents "}, {"500", 2, "5 Dollars "},
      {"12", 3, "12 Dollars "}, {"12", 4, ""}, {"12", -1, ""},
      // Saturates at 2147483647 instead of overflowing.
      {"99999999999", 1, "2 1000 1 100 40 7 Million 4 100 80 3 1000 6 100 40 7 "}};
  for (const auto &[text, type, words] : cases) EXPECT_EQ(Read(text, type), words) << text;
}

}  // namespace
