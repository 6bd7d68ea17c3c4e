#pragma once

#include <string_view>

// Equal without regard to ASCII letter case (parameter names, action words,
// format names).
bool EqualIgnoringCase(std::string_view a, std::string_view b);
