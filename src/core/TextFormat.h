#pragma once

#include <string>

// printf into a string of whatever length the result needs.
std::string TextFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
