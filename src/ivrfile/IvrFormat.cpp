#include "ivrfile/IvrFormat.h"

#include <cctype>

#include "audio/AutoGainWorkList.h"
#include "core/Path.h"
#include "core/TextCompare.h"

bool IvrNameIsSafe(uint8_t tag, std::string_view name) {
  if (name.size() > kIvrMaxShortString || !PathIsPlainName(name) || name == ".") return false;
  if (tag == kIvrTagDataFile) {
    for (const std::string_view own : {"folders.ini", "settings.ini", kAutoGainListFile}) {
      if (EqualIgnoringCase(name, own)) return false;
    }
  }
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  // "C:name" would be relative to a drive's current folder elsewhere.
  return !(name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) &&
           name[1] == ':');
}

bool IvrHasExtension(std::string_view name, std::string_view extension) {
  return name.size() >= extension.size() &&
         EqualIgnoringCase(name.substr(name.size() - extension.size()), extension);
}
