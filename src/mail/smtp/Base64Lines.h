#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Base64 (standard alphabet, "=" padding) laid out for a mail body: lines of
// at most 76 characters, each followed by "\r\n". Input in blocks of 57 bytes
// gives exactly one full line per block.
class Base64Lines {
 public:
  static constexpr size_t kBlockBytes = 57;
  static constexpr size_t kLineChars = 76;

  static std::string Encode(std::string_view bytes);
  // Empty input gives one empty line.
  static std::string EncodeLines(std::string_view bytes);
};
