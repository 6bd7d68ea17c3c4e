#pragma once

#include <string>
#include <string_view>

// A Latin letter followed by combining accents (U+0300 to U+036F), as some
// keyboards and file systems send it, composed into the one accented letter
// it shows as: "Cafe" + U+0301 becomes "Caf\u00e9". Other text, text that
// is not UTF-8 included, stays as it is. Names typed in either form are then
// one name.
std::string ComposeLatinAccents(std::string_view text);
