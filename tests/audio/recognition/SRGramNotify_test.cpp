#include "audio/recognition/SRGramNotify.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/recognition/SphinxDecoder.h"

namespace {

using Phrase = std::vector<std::string>;

std::string Assemble(const std::vector<Phrase>& phrases) {
  SRGramNotify notify;
  for (const Phrase& phrase : phrases) notify.PhraseFinish(phrase);
  return notify.Text();
}

TEST(SRGramNotify, SpacingCapitalsAndParagraphs) {
  struct Row {
    std::vector<Phrase> phrases;
    std::string text;
  };
  std::vector<Row> rows = {
      {{{"hello", ",\\comma", "world", ".\\period"}}, "Hello, world."},
      {{{"$", "5"}, {"(", "yes", ")"}}, "$5 (yes)"},
      {{{"one", "\\New-Paragraph", "two"}}, "One\r\n\r\nTwo"},
      {{{"\\New-Paragra"}, {"x"}}, "\r\n\r\nX"},             // 11 characters decide
      {{{"a", "\\New-Paragr", "\\new-paragraph", "b"}}, "A b"},  // too short, wrong case
      {{{"wow", "!", "really", "?", "yes", "no"}}, "Wow! Really? Yes no"},
      {{{".", "5", "apples"}}, ". 5 apples"},  // any first character uses up the capital
      {{{"good"}, {}, {"morning"}}, "Good morning"},
      {{{"it", "'s", "[", "a", "]", "{", "b", "}"}}, "It's [a] {b}"},
      {{{"\x80", "5", "\xA3", "6", "\x81", "7"}}, "\x80" "5 \xA3" "6 \x81 7"},
      {{{"x\\gone", "y"}}, "X y"},
  };
  // Each mark that sticks to the word before it, then each after which the
  // next word follows without a space.
  for (char mark : std::string(".!'),:;?]}")) {
    const bool ends = mark == '.' || mark == '!' || mark == '?';
    rows.push_back({{{"x", std::string(1, mark) + "y"}}, "X" + std::string(1, mark) + (ends ? "Y" : "y")});
  }
  for (char mark : std::string("$'([{")) {
    rows.push_back({{{"x", std::string(1, mark), "y"}}, "X" + std::string(mark == '\'' ? "" : " ") + mark + "y"});
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(Assemble(rows[i].phrases), rows[i].text) << "row " << i;
  }
}

TEST(SRGramNotify, TextStopsAt65535Characters) {
  const std::string word(1000, 'a');
  SRGramNotify notify;
  notify.PhraseFinish(Phrase(65, word));
  EXPECT_EQ(notify.Text().size(), 65u * 1001u - 1u);
  notify.PhraseFinish({"\\New-Paragraph", word, "b"});
  const std::string& text = notify.Text();
  ASSERT_EQ(text.size(), SRGramNotify::kMaxText);
  EXPECT_EQ(text.substr(65063, 5), "a\r\n\r\n");
  EXPECT_EQ(text.substr(65068), "A" + std::string(SRGramNotify::kMaxText - 65069, 'a'));
}

TEST(SphinxTextWord, FillersGoAndPronunciationMarksAreCut) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"<s>", ""},     {"</s>", ""}, {"<sil>", ""},     {"[NOISE]", ""}, {"+SPN+", ""},
      {"read(2)", "read"}, {"hello", "hello"}, {"(", "("}, {"o'clock", "o'clock"},
  };
  for (const auto& [word, text] : rows) EXPECT_EQ(SphinxTextWord(word), text) << word;
}

}  // namespace
