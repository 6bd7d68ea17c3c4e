#pragma once

#include <string>
#include <string_view>
#include <vector>

// The names of a server's name listing (NLST) that match `pattern` (shell
// wildcards, as fnmatch without flags), in the order sent. One name a line,
// LF or CRLF; a folder part that some servers put before the name is left
// off. Empty lines, "." and "..", and names holding control characters
// (which no later command could carry) are dropped.
std::vector<std::string> MatchingNames(std::string_view listing, const std::string& pattern);
