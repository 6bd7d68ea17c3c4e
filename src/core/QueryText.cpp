#include "core/QueryText.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes text from `pos` up to the raw `end` character (or the end of the
// text) and leaves `pos` just past that character.
std::string DecodeUntil(std::string_view text, std::size_t& pos, char end) {
  std::string out;
  while (pos < text.size() && text[pos] != end) {
    char c = text[pos++];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && pos + 1 < text.size() && HexValue(text[pos]) >= 0 &&
               HexValue(text[pos + 1]) >= 0) {
      out += static_cast<char>(HexValue(text[pos]) * 16 + HexValue(text[pos + 1]));
      pos += 2;
    } else {
      out += c;
    }
  }
  if (pos < text.size()) ++pos;  // the separator itself
  return out;
}

}  // namespace

void ParseQueryText(std::string_view text, const QueryPairHandler& onPair) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::string name = DecodeUntil(text, pos, '=');
    // Only "=" ends a name: in "flag&x=1" the name is "flag&x".
    std::string value = DecodeUntil(text, pos, '&');
    if (!name.empty()) onPair(name, value);
  }
}
