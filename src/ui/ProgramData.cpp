#include "ui/ProgramData.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/IvrProgram.h"
#include "ivrfile/IvrSaveDescription.h"
#include "ui/ConsoleData.h"
#include "ui/OgmEditFields.h"

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

bool ActionIs(const std::string& ini, const std::string& prefix, OGMAction action) {
  return prefix.empty() || ParseOGMAction(ProfileReadString(ini, "ivr", prefix, "noresponse")) == action;
}

// The mailboxes in `mailBoxes` that the actions in use of the OGM `title`
// name; a name with parameters is only known during a call.
std::vector<std::string> MailBoxesOf(const DataFolders& folders, const std::string& title,
                                     const std::vector<std::string>& mailBoxes) {
  const std::string ini = ResolveCaseInsensitive(PathJoin(folders.Ogms(), title + ".ini"));
  const OgmEditFields fields(OgmEditFields::Context{title});
  std::vector<std::string> found;
  for (const OgmEditFields::Field& field : fields.All()) {
    if (field.kind != OgmEditFields::Kind::kMailbox || !ActionIs(ini, field.prefix, field.action) ||
        !ActionIs(ini, field.parentPrefix, field.parentAction))
      continue;
    const std::string name = ProfileReadString(ini, "ivr", field.key, "");
    for (const std::string& mailBox : mailBoxes)
      if (EqualIgnoringCase(mailBox, name) && std::find(found.begin(), found.end(), mailBox) == found.end())
        found.push_back(mailBox);
  }
  return found;
}

json LeadsToJson(const DataFolders& folders, const std::vector<std::string>& ogms,
                 const std::vector<std::string>& mailBoxes) {
  json leads = json::object();
  for (const std::string& ogm : ogms)
    if (std::vector<std::string> found = MailBoxesOf(folders, ogm, mailBoxes); !found.empty()) leads[ogm] = found;
  return leads;
}

}  // namespace

IvrSaveDescription SaveStart(const DataFolders& folders) {
  const IvrSaveDescription wizard = IvrSaveDescription::WizardStart(folders);
  IvrSaveDescription start = IvrSaveDescription::Everything(folders);
  start.filename = wizard.filename;
  start.programs = wizard.programs;
  return start;
}

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
  const IvrSaveDescription start = SaveStart(folders);
  const std::vector<std::string> mailBoxes = FolderTitles(folders.MailBoxes(), ".mbx");
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
           {"mailboxes", mailBoxes},
           {"prompts", FolderTitles(folders.SystemPrompts(), ".wav")},
           {"programs", ProgramFileNames(folders.Root())},
       }},
      {"leadsTo", LeadsToJson(folders, start.ogms, mailBoxes)},
  });
}

}  // namespace console_data
