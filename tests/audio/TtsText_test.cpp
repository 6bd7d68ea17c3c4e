#include "audio/TtsText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Pieces = std::vector<std::string>;

TEST(TtsText, CleaningFoldsSpaceAndControlsAndBreaksLongTokens) {
  EXPECT_EQ(CleanTtsText("  Hello\t\x01 world  "), "Hello world");
  EXPECT_EQ(CleanTtsText("one\r\n\r\ntwo \n three"), "one\ntwo\nthree");
  EXPECT_EQ(CleanTtsText(""), "");
  EXPECT_EQ(CleanTtsText(" \n\x7f "), "");

  const std::string dots = CleanTtsText(std::string(400, '.'));
  std::size_t run = 0;
  for (char c : dots) {
    run = c == ' ' ? 0 : run + 1;
    ASSERT_LE(run, kTtsMaxToken);
  }
  EXPECT_EQ(dots.size(), 400 + 400 / kTtsMaxToken);
}

TEST(TtsText, LongTextsAreCutWithoutSplittingACharacter) {
  const std::string text = CleanTtsText(std::string(kTtsMaxText + 100, 'a'));
  EXPECT_EQ(text.size() - text.size() / (kTtsMaxToken + 1), kTtsMaxText);

  // A two-byte character straddling the limit goes whole, and a token break
  // never lands inside one.
  std::string accents = "x";
  while (accents.size() < kTtsMaxText + 10) accents += "\xC3\xA9";
  const std::string cleaned = CleanTtsText(accents);
  for (std::size_t i = 0; i + 1 < cleaned.size(); ++i) {
    if (cleaned[i] == ' ') {
      EXPECT_EQ(static_cast<unsigned char>(cleaned[i + 1]), 0xC3) << i;
    }
  }
  EXPECT_NE(static_cast<unsigned char>(cleaned.back()), 0xC3);
}

TEST(TtsText, PiecesEndAtSentencesLineBreaksOrTheLengthLimit) {
  EXPECT_EQ(SplitTtsText("Hello there. How are you? Fine; thanks: bye"),
            (Pieces{"Hello there.", "How are you?", "Fine;", "thanks:", "bye"}));
  EXPECT_EQ(SplitTtsText("It is 10:30 on 1.5.2024\nnext line"),
            (Pieces{"It is 10:30 on 1.5.2024", "next line"}));
  EXPECT_TRUE(SplitTtsText("").empty());

  std::string words;
  while (words.size() < 3 * kTtsMaxPiece) words += "word ";
  const Pieces pieces = SplitTtsText(CleanTtsText(words));
  ASSERT_GE(pieces.size(), 3u);
  std::string joined;
  for (const std::string& piece : pieces) {
    EXPECT_LE(piece.size(), kTtsMaxPiece);
    EXPECT_EQ(piece.substr(0, 4), "word");
    joined += piece + " ";
  }
  EXPECT_EQ(joined, words);
}

}  // namespace
