#include "callengine/OGMReferences.h"

#include "callengine/LOGMDefinition.h"
#include "callengine/LOGMFiles.h"
#include "callengine/OGMKeys.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "ivrfile/IvrFolderFiles.h"

using Place = OGMReferences::Place;

namespace {

constexpr int kLineSections = 64;

// Each defaults to the default OGM; office hours name one only in mode 1.
struct SettingPlace {
  std::string_view section, key, modeKey, caption;
};
constexpr SettingPlace kSettings[] = {
    {"settings", "ogm", "", "The answering OGM"},
    {"autohours", "duringogm", "duringmode", "Office hours, during them"},
    {"autohours", "afterogm", "aftermode", "Office hours, outside them"},
    {"outbound", "ogmanswer", "", "Outbound calls a person answers"},
    {"outbound", "ogmmachine", "", "Outbound calls a machine answers"},
};
constexpr int kOfficeHoursUseOgm = 1;
constexpr std::string_view kChainCaptions[] = {"when the transfer fails", "after dialling",
                                               "when the recording stops"};

class Finder {
 public:
  Finder(std::string_view name, std::vector<Place>& places) : name_(name), places_(places) {}

  void Check(const std::string& file, std::string_view section, std::string_view key, std::string caption,
             std::string_view fallback = "") {
    if (EqualIgnoringCase(ProfileReadString(file, section, key, fallback), name_))
      places_.push_back({file, std::string(section), std::string(key), std::move(caption)});
  }

  void CheckActions(const std::string& ini, const std::string& ogm) {
    const LOGMDefinition definition(ini);
    for (char key : std::string_view("1234567890*#")) {
      const std::string prefix = std::string("press") + key;
      const std::string caption = ogm + ": key " + key;
      CheckAction(definition, prefix, caption);
      for (size_t i = 0; i < ogm_keys::kChains.size(); ++i)
        CheckAction(definition, prefix + std::string(ogm_keys::kChains[i]),
                    caption + " " + std::string(kChainCaptions[i]));
    }
    CheckAction(definition, "playcomplete", ogm + ": when the wait ends without a key");
  }

  void CheckChecks(const std::string& ini, const std::string& ogm) {
    if (ProfileReadBool(ini, "datetime", "enabled", false))
      Check(ini, "datetime", ogm_keys::kDateTimeTarget, ogm + ": date and time check");
    if (ProfileReadBool(ini, "cid", "enabled", false))
      Check(ini, "cid", ogm_keys::kCidTarget, ogm + ": number check");
  }

 private:
  void CheckAction(const LOGMDefinition& definition, const std::string& prefix, std::string caption) {
    if (definition.Action(prefix) == OGMAction::kGo)
      Check(definition.IniPath(), ogm_keys::kIvr, prefix + "go", std::move(caption));
  }

  std::string_view name_;
  std::vector<Place>& places_;
};

}  // namespace

std::vector<Place> OGMReferences::Find(const std::string& ogmFolder, const std::string& settingsFile,
                                       std::string_view name) {
  std::vector<Place> places;
  Finder finder(name, places);
  const std::string_view fallback = LOGMFiles::kDefaultName;
  const bool officeHours = ProfileReadBool(settingsFile, "autohours", "enabled", false);
  for (const SettingPlace& setting : kSettings) {
    if (!setting.modeKey.empty() &&
        (!officeHours || ProfileReadInt(settingsFile, setting.section, setting.modeKey, 0) != kOfficeHoursUseOgm))
      continue;
    finder.Check(settingsFile, setting.section, setting.key, std::string(setting.caption), fallback);
  }
  for (int line = 0; line < kLineSections; ++line) {
    const std::string section = "line" + std::to_string(line);
    if (ProfileReadBool(settingsFile, section, "ogmoverride", false))
      finder.Check(settingsFile, section, "ogm", "Line " + std::to_string(line + 1), fallback);
  }
  const LOGMFiles files(ogmFolder);
  for (const std::string& ogm : FolderTitles(ogmFolder, ".ini")) {
    const std::optional<std::string> ini = files.ExistingIniPath(ogm);
    if (!ini) continue;
    finder.CheckActions(*ini, ogm);
    finder.CheckChecks(*ini, ogm);
  }
  return places;
}

void OGMReferences::MoveTo(const std::vector<Place>& places, std::string_view name) {
  for (const Place& place : places) ProfileWriteString(place.file, place.section, place.key, name);
}
