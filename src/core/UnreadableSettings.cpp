#include "core/UnreadableSettings.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <string_view>

#include "core/FileIo.h"

namespace {

// Enough to find a section in any settings file this system writes.
constexpr std::size_t kLookedAtBytes = 1 << 20;
// Written by some editors before the first header; the settings reader skips it.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HasSection(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.starts_with(kUtf8Bom)) line.erase(0, kUtf8Bom.size());
    // As the settings reader: a "[" opens a section, with or without its "]".
    const std::size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos && line[start] == '[') return true;
  }
  return false;
}

}  // namespace

std::string SetAsideUnreadableSettings(const std::string& settingsFile) {
  const std::optional<std::string> text = ReadFileText(settingsFile, kLookedAtBytes);
  if (!text || text->find_first_not_of(" \t\r\n") == std::string::npos || HasSection(*text)) return {};
  const std::string aside = settingsFile + ".unreadable";
  if (std::rename(settingsFile.c_str(), aside.c_str()) != 0) {
    return "The settings file " + settingsFile + " cannot be read (it holds no section) nor set aside; "
           "the factory settings are used";
  }
  return "The settings file " + settingsFile + " could not be read (it holds no section): it was kept as " +
         aside + " and the factory settings were written";
}
