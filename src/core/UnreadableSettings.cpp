#include "core/UnreadableSettings.h"

#include <cstdio>
#include <optional>

#include "core/FileIo.h"
#include "core/IniFile.h"

namespace {

// Enough to find a section in any settings file this system writes.
constexpr std::size_t kLookedAtBytes = 1 << 20;

}  // namespace

std::string SetAsideUnreadableSettings(const std::string& settingsFile) {
  const std::optional<std::string> text = ReadFileText(settingsFile, kLookedAtBytes);
  // A section line is what the settings reader takes as one.
  if (!text || text->find_first_not_of(" \t\r\n") == std::string::npos || IniFile(*text).HasAnySection())
    return {};
  const std::string aside = settingsFile + ".unreadable";
  if (std::rename(settingsFile.c_str(), aside.c_str()) != 0) {
    return "The settings file " + settingsFile + " cannot be read (it holds no section) nor set aside; "
           "the factory settings are used";
  }
  return "The settings file " + settingsFile + " could not be read (it holds no section): it was kept as " +
         aside + " and the factory settings were written";
}
