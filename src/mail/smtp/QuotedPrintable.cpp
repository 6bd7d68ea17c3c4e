#include "mail/smtp/QuotedPrintable.h"

namespace {

// The length of the line break at `at` ("\r\n" or "\n"), 0 when none.
size_t BreakAt(std::string_view text, size_t at) {
  if (at < text.size() && text[at] == '\n') return 1;
  return text.substr(at, 2) == "\r\n" ? 2 : 0;
}

bool IsLiteral(std::string_view text, size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  if (byte == ' ' || byte == '\t') return at + 1 < text.size() && BreakAt(text, at + 1) == 0;
  return byte >= 33 && byte <= 126 && byte != '=';
}

class Encoder {
 public:
  void Put(std::string_view piece) {
    // The soft break's "=" is the line's last character.
    if (column_ + piece.size() > QuotedPrintable::kMaxLine - 1) {
      out_ += "=\r\n";
      column_ = 0;
    }
    out_ += piece;
    column_ += piece.size();
  }
  void Break() {
    out_ += "\r\n";
    column_ = 0;
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  size_t column_ = 0;
};

}  // namespace

std::string QuotedPrintable::Encode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Encoder encoder;
  for (size_t at = 0; at < text.size();) {
    if (const size_t length = BreakAt(text, at)) {
      encoder.Break();
      at += length;
      continue;
    }
    if (IsLiteral(text, at)) {
      encoder.Put(text.substr(at, 1));
    } else {
      const auto byte = static_cast<unsigned char>(text[at]);
      const char escaped[] = {'=', kHex[byte >> 4], kHex[byte & 15]};
      encoder.Put(std::string_view(escaped, 3));
    }
    ++at;
  }
  return encoder.Take();
}
