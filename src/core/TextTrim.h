#pragma once

#include <string_view>

// `text` without the characters of `spaces` at either end.
std::string_view TrimText(std::string_view text, std::string_view spaces = " \t");
