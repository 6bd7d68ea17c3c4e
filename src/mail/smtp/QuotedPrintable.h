#pragma once

#include <string>
#include <string_view>

// Text as quoted-printable, which any mail server carries: line breaks
// ("\r\n" or "\n") become "\r\n"; "=", control bytes and bytes beyond ASCII
// become "=XX", and so does a space or tab that ends a line; lines longer
// than 76 characters are broken with a soft "=" break.
class QuotedPrintable {
 public:
  static constexpr size_t kMaxLine = 76;

  static std::string Encode(std::string_view text);
};
