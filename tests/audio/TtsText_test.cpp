#include "audio/TtsText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Pieces = std::vector<std::string>;

// Tokens are broken after kTtsMaxToken bytes, never inside a character, and
// the text is cut at kTtsMaxText bytes.
TEST(TtsText, CleaningFoldsSpaceAndControlsAndBreaksLongTokensAndTexts) {
  EXPECT_EQ(CleanTtsText("  Hello\t\x01 world  ") + "|" + CleanTtsText("one\r\n\r\ntwo \n three") + "|" +
                CleanTtsText(" \n\x7f ") + "|" + CleanTtsText("Caf\xE9"), "Hello world|one\ntwo\nthree||Café");
  const std::string dots = CleanTtsText(std::string(400, '.'));
  std::size_t run = 0;
  for (char c : dots) ASSERT_LE(run = c == ' ' ? 0 : run + 1, kTtsMaxToken);
  EXPECT_EQ(dots.size(), 400 + 400 / kTtsMaxToken);
  const std::string text = CleanTtsText(std::string(kTtsMaxText + 100, 'a'));
  EXPECT_EQ(text.size() - text.size() / (kTtsMaxToken + 1), kTtsMaxText);
  std::string accents = "x";
  while (accents.size() < kTtsMaxText + 10) accents += "\xC3\xA9";
  const std::string cleaned = CleanTtsText(accents);
  for (std::size_t i = 0; i + 1 < cleaned.size(); ++i)
    EXPECT_TRUE(cleaned[i] != ' ' || static_cast<unsigned char>(cleaned[i + 1]) == 0xC3) << i;
  EXPECT_NE(static_cast<unsigned char>(cleaned.back()), 0xC3);
}

TEST(TtsText, PiecesEndAtSentencesLineBreaksOrTheLengthLimit) {
  EXPECT_EQ(SplitTtsText("Hello there. How are you? Fine; thanks: bye"),
            (Pieces{"Hello there.", "How are you?", "Fine;", "thanks:", "bye"}));
  EXPECT_EQ(SplitTtsText("It is 10:30 on 1.5.2024\nnext line"), (Pieces{"It is 10:30 on 1.5.2024", "next line"}));
  std::string words, joined;
  while (words.size() < 3 * kTtsMaxPiece) words += "word ";
  const Pieces pieces = SplitTtsText(CleanTtsText(words));
  for (const std::string& piece : pieces) {
    EXPECT_TRUE(piece.size() <= kTtsMaxPiece && piece.substr(0, 4) == "word") << piece;
    joined += piece + " ";
  }
  EXPECT_TRUE(pieces.size() >= 3u && joined == words);
}

}  // namespace
