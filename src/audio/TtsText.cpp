#include "audio/TtsText.h"

#include "core/Path.h"
#include "core/Utf8Text.h"

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool IsSpace(char c) { return c == ' ' || c == '\n'; }

bool IsSentenceMark(char c) { return c == '.' || c == '!' || c == '?' || c == ';' || c == ':'; }

// Appends the white space run that ended before `c`: one line break if the
// run held one, else one space; nothing at the start of the text.
void AppendSpace(std::string& out, bool lineBreak) {
  if (out.empty()) return;
  out += lineBreak ? '\n' : ' ';
}

std::string Trimmed(std::string_view piece) {
  const std::size_t first = piece.find_first_not_of(" \n");
  if (first == std::string_view::npos) return {};
  const std::size_t last = piece.find_last_not_of(" \n");
  return std::string(piece.substr(first, last - first + 1));
}

}  // namespace

std::string CleanTtsText(std::string_view text) {
  const std::string cut = CutText(AsUtf8(text), kTtsMaxText);
  std::string out;
  out.reserve(cut.size());
  bool inSpace = false;
  bool sawLineBreak = false;
  std::size_t token = 0;
  for (char c : cut) {
    const auto byte = static_cast<unsigned char>(c);
    const bool space = byte <= 0x20 || byte == 0x7F;
    if (space) {
      inSpace = true;
      sawLineBreak = sawLineBreak || c == '\n' || c == '\r';
      continue;
    }
    if (inSpace) {
      AppendSpace(out, sawLineBreak);
      inSpace = sawLineBreak = false;
      token = 0;
    }
    if (token >= kTtsMaxToken && !IsContinuationByte(c)) {
      out += ' ';
      token = 0;
    }
    out += c;
    ++token;
  }
  return out;
}

std::vector<std::string> SplitTtsText(std::string_view cleaned) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  std::size_t lastSpace = std::string_view::npos;
  auto emit = [&](std::size_t end) {
    std::string piece = Trimmed(cleaned.substr(start, end - start));
    if (!piece.empty()) pieces.push_back(std::move(piece));
    start = end;
    lastSpace = std::string_view::npos;
  };
  for (std::size_t i = 0; i < cleaned.size(); ++i) {
    const char c = cleaned[i];
    const bool sentenceEnd = IsSentenceMark(c) && i + 1 < cleaned.size() && IsSpace(cleaned[i + 1]);
    if (c == '\n' || sentenceEnd) {
      emit(i + 1);
      continue;
    }
    if (c == ' ') lastSpace = i;
    if (i + 1 - start >= kTtsMaxPiece && lastSpace != std::string_view::npos) emit(lastSpace + 1);
  }
  emit(cleaned.size());
  return pieces;
}
