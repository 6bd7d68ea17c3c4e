#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Assembles recognised phrases into message text: a space between words
// except next to punctuation and currency signs, "\r\n\r\n" for the
// "\New-Paragraph" word, a capital letter at the start and after . ! ?, and
// never more than 65535 characters. A word given as "written\spoken" (",\comma")
// contributes only what comes before the backslash.
class SRGramNotify {
 public:
  static constexpr std::size_t kMaxText = 65535;

  // Appends the words of one finished phrase.
  void PhraseFinish(const std::vector<std::string>& words);
  const std::string& Text() const { return text_; }

 private:
  void AppendWord(std::string_view word);
  // Drops the character once the text is full.
  void Append(char c);

  std::string text_;
  bool capitalizeNext_ = true;
};
