#include "audio/recognition/SRGramNotify.h"

namespace {

// A word starting with one of these sticks to the text before it.
constexpr std::string_view kNoSpaceBefore = ".!'),:;?\\]}";
// The euro (0x80) and pound (0xA3) signs of the Windows-1252 code page,
// which older mailbox texts still use, bind to the word after them.
constexpr std::string_view kNoSpaceAfter = "$'([{\n\x80\xA3";
constexpr std::string_view kNewParagraph = "New-Paragraph";
// The word is recognised by this many leading characters.
constexpr std::size_t kNewParagraphCompared = 11;

bool EndsSentence(char c) { return c == '.' || c == '!' || c == '?'; }

char ToUpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

void SRGramNotify::PhraseFinish(const std::vector<std::string>& words) {
  for (const std::string& word : words) AppendWord(word);
}

void SRGramNotify::Append(char c) {
  if (text_.size() < kMaxText) text_.push_back(c);
}

void SRGramNotify::AppendWord(std::string_view word) {
  const bool sticksToPrevious = !word.empty() && kNoSpaceBefore.find(word.front()) != std::string_view::npos;
  if (!text_.empty() && !sticksToPrevious && kNoSpaceAfter.find(text_.back()) == std::string_view::npos) {
    Append(' ');
  }
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c == '\\') {
      if (word.substr(i + 1, kNewParagraphCompared) == kNewParagraph.substr(0, kNewParagraphCompared)) {
        for (char paragraph : std::string_view("\r\n\r\n")) Append(paragraph);
        capitalizeNext_ = true;
      }
      return;
    }
    if (capitalizeNext_) {
      c = ToUpperAscii(c);
      capitalizeNext_ = false;
    }
    Append(c);
    if (EndsSentence(c)) capitalizeNext_ = true;
  }
}
