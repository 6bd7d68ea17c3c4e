#include "ui/ProgramData.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/Path.h"
#include "core/Profile.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/IvrProgram.h"
#include "ivrfile/IvrSaveDescription.h"
#include "ui/ConsoleData.h"

namespace console_data {
namespace {

using nlohmann::json;

constexpr std::string_view kSettings = "settings";

json SettingsJson(const std::vector<IvrSaveDescription::Setting>& settings) {
  json rows = json::array();
  for (const IvrSaveDescription::Setting& s : settings)
    rows.push_back({{"section", s.section}, {"key", s.key}, {"value", s.value}});
  return rows;
}

}  // namespace

std::string OgmsJson(const DataFolders& folders) {
  return Dump({
      {"selected", ProfileReadString(folders.SettingsFile(), kSettings, "ogm", "Default Answering Message")},
      {"ogms", FolderTitles(folders.Ogms(), ".ini")},
  });
}

std::string ProgramJson(const DataFolders& folders) {
  const std::string& settings = folders.SettingsFile();
  std::error_code error;
  return Dump({
      {"file", PathFileName(ProfileReadString(settings, kSettings, "ivrfile", ""))},
      {"modified", ProfileReadBool(settings, kSettings, "ivrmodified", false)},
      {"notes", std::filesystem::is_regular_file(IvrNotesPath(folders), error)},
      {"showNotes", ProfileReadBool(settings, kSettings, "notespopup", false)},
  });
}

std::string SaveOptionsJson(const DataFolders& folders) {
  const IvrSaveDescription start = IvrSaveDescription::WizardStart(folders);
  return Dump({
      {"name", PathFileName(start.filename)},
      {"choices",
       {
           {"ogms", start.ogms},
           {"ogmDelete", start.ogmDelete},
           {"mailboxes", start.mailBoxes},
           {"mailboxDelete", start.mailBoxDelete},
           {"mailboxGreetings", start.mailBoxGreetings},
           {"prompts", start.prompts},
           {"programs", start.programs},
           {"settings", SettingsJson(start.settings)},
           {"notes", start.notes},
           {"notesPopup", start.notesPopup},
       }},
      {"available",
       {
           {"ogms", start.ogms},
           {"mailboxes", FolderTitles(folders.MailBoxes(), ".mbx")},
           {"prompts", FolderTitles(folders.SystemPrompts(), ".wav")},
           {"programs", ProgramFileNames(folders.Root())},
       }},
  });
}

}  // namespace console_data
