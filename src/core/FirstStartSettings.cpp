#include "core/FirstStartSettings.h"

#include <iterator>

#include "core/Profile.h"

namespace {

struct DefaultSetting {
  const char* section;
  const char* key;
  const char* value;
};

// The call controller's keys with the values it assumes when they are absent.
constexpr DefaultSetting kFirstStart[] = {
    {"settings", "nrings", "3"},
    {"settings", "tollsaver", "false"},
    {"settings", "ogm", "Default Answering Message"},
    {"settings", "maxrectime", "0:00:30.000"},
    {"settings", "recthres", "-22dB"},
    {"settings", "audiohighpass", "0"},
    {"settings", "audiocompressorthres", "0dB"},
    {"settings", "audiogain", "0dB"},
    {"settings", "msgno", "0"},
    {"state", "on", "true"},
    {"state", "newmessages", "false"},
    {"state", "callsequenceno", "0"},
};

// Distinguishes a missing key from any stored text.
constexpr const char* kAbsent = "\x01";

}  // namespace

bool WriteFirstStartSettings(const std::string& settingsFile) {
  bool ok = true;
  for (const DefaultSetting& s : kFirstStart) {
    if (ProfileReadString(settingsFile, s.section, s.key, kAbsent) == kAbsent) {
      ok = ProfileWriteString(settingsFile, s.section, s.key, s.value) && ok;
    }
  }
  return ok;
}
