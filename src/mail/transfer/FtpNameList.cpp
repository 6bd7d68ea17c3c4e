#include "mail/transfer/FtpNameList.h"

#include <fnmatch.h>

#include <algorithm>

namespace {

bool HasControlCharacter(std::string_view name) {
  return std::any_of(name.begin(), name.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

std::vector<std::string> MatchingNames(std::string_view listing, const std::string& pattern) {
  std::vector<std::string> names;
  while (!listing.empty()) {
    const std::size_t end = std::min(listing.find('\n'), listing.size());
    std::string_view line = listing.substr(0, end);
    listing.remove_prefix(std::min(end + 1, listing.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t slash = line.rfind('/');
    if (slash != std::string_view::npos) line.remove_prefix(slash + 1);
    if (line.empty() || line == "." || line == ".." || HasControlCharacter(line)) continue;
    std::string name(line);
    if (::fnmatch(pattern.c_str(), name.c_str(), 0) == 0) names.push_back(std::move(name));
  }
  return names;
}
