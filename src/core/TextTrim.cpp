#include "core/TextTrim.h"

std::string_view TrimText(std::string_view text, std::string_view spaces) {
  const std::size_t first = text.find_first_not_of(spaces);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(spaces) - first + 1);
}
