#include "ivrfile/IvrFormat.h"

#include <cctype>

#include "core/Path.h"

bool IvrNameIsSafe(std::string_view name) {
  if (name.size() > kIvrMaxShortString || !PathIsPlainName(name) || name == ".") return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  // "C:name" would be relative to a drive's current folder elsewhere.
  return !(name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) &&
           name[1] == ':');
}
