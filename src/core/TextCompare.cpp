#include "core/TextCompare.h"

#include <algorithm>

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return fold(x) == fold(y); });
}
