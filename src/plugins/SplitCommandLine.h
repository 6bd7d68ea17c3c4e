#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a program's command line into its arguments without a shell, so
// that text expanded into the line from a call (keys, caller number) can at
// most add arguments, never run commands. Spaces and tabs separate
// arguments; double quotes group text containing them and are removed ("" is
// an empty argument); \" is a literal double quote; any other backslash is
// kept as written.
std::vector<std::string> SplitCommandLine(std::string_view line);
