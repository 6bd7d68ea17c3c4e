#pragma once

#include <string>
#include <string_view>

// A header value that mail carries only as ASCII: text with other
// characters becomes UTF-8 encoded words ("=?utf-8?B?...?="), each within
// the 75 characters a word may have, on folded lines.
class MimeHeaderText {
 public:
  static constexpr size_t kMaxWordBytes = 45;  // 60 base64 characters

  static bool IsAscii(std::string_view text);
  // `text` (UTF-8) as it is when ASCII, else as encoded words.
  static std::string Encode(std::string_view text);
};
