#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Texts on their way to a speech engine. The engines read plain text, but a
// long run of punctuation can overrun an engine's token buffer and a very
// long "word" is spelt out letter by letter for minutes; and a long text must
// not hold an engine (shared by every line) for long. So a text is cleaned
// first and then spoken piece by piece.

// Texts longer than the editor's limit are cut there.
inline constexpr std::size_t kTtsMaxText = 8192;
// A run of non-space characters longer than this is broken with a space.
inline constexpr std::size_t kTtsMaxToken = 48;
// A piece ends at the last space before this length if no sentence ends first.
inline constexpr std::size_t kTtsMaxPiece = 320;

// Reads `text` as UTF-8 (AsUtf8: a code page text keeps its letters), cuts
// it to kTtsMaxText bytes (never inside a UTF-8 character), turns
// control characters into spaces, folds runs of white space into one space
// (or one line break when the run held one) and breaks over-long tokens.
std::string CleanTtsText(std::string_view text);

// The pieces of a cleaned text, in order and without surrounding spaces: each
// ends after a sentence mark (. ! ? ; :) followed by a space, at a line break,
// or at the last space before kTtsMaxPiece bytes.
std::vector<std::string> SplitTtsText(std::string_view cleaned);
