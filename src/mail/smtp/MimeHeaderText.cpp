#include "mail/smtp/MimeHeaderText.h"

#include <algorithm>

#include "core/Path.h"
#include "mail/smtp/Base64Lines.h"

bool MimeHeaderText::IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A word never splits a character: readers decode each word on its own.
std::string MimeHeaderText::Encode(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  std::string out;
  while (!text.empty()) {
    const std::string piece = CutText(text, kMaxWordBytes);
    if (!out.empty()) out += "\r\n ";
    out += "=?utf-8?B?" + Base64Lines::Encode(piece) + "?=";
    text.remove_prefix(piece.size());
  }
  return out;
}
