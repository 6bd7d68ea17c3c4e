#include "ivrfile/IvrSaveDescription.h"

#include <algorithm>
#include <string_view>

#include "core/DataFolders.h"
#include "core/Profile.h"
#include "ivrfile/IvrFolderFiles.h"

namespace {

constexpr std::string_view kSave = "save";
// More entries than a keep-list can hold are not a description.
constexpr int kMaxEntries = 65535;

int Count(const std::string& path, std::string_view prefix) {
  const int count = ProfileReadInt(path, kSave, std::string(prefix) + "count", 0);
  return std::clamp(count, 0, kMaxEntries);
}

std::vector<std::string> ReadList(const std::string& path, std::string_view prefix) {
  std::vector<std::string> list;
  const int count = Count(path, prefix);
  for (int i = 0; i < count; ++i) {
    list.push_back(
        ProfileReadString(path, kSave, std::string(prefix) + std::to_string(i), ""));
  }
  return list;
}

}  // namespace

IvrSaveDescription IvrSaveDescription::Read(const std::string& path) {
  IvrSaveDescription d;
  d.filename = ProfileReadString(path, kSave, "filename", "");
  d.ogms = ReadList(path, "ogm");
  d.ogmDelete = ProfileReadBool(path, kSave, "ogmdelete", d.ogmDelete);
  d.mailBoxes = ReadList(path, "mbx");
  d.mailBoxDelete = ProfileReadBool(path, kSave, "mbxdelete", d.mailBoxDelete);
  d.mailBoxGreetings = ProfileReadBool(path, kSave, "mbxgreetings", d.mailBoxGreetings);
  d.prompts = ReadList(path, "prompt");
  d.programs = ReadList(path, "exe");
  const int settings = Count(path, "setting");
  for (int i = 0; i < settings; ++i) {
    const std::string key = "setting" + std::to_string(i);
    d.settings.push_back({ProfileReadString(path, kSave, key + "section", ""),
                          ProfileReadString(path, kSave, key + "item", ""),
                          ProfileReadString(path, kSave, key + "value", "")});
  }
  d.notes = ProfileReadBool(path, kSave, "notes", d.notes);
  d.notesPopup = ProfileReadBool(path, kSave, "notespopup", d.notesPopup);
  return d;
}

IvrSaveDescription IvrSaveDescription::Everything(const DataFolders& folders) {
  IvrSaveDescription d;
  d.ogms = FolderTitles(folders.Ogms(), ".ini");
  d.mailBoxes = FolderTitles(folders.MailBoxes(), ".mbx");
  d.mailBoxGreetings = true;
  d.prompts = FolderTitles(folders.SystemPrompts(), ".wav");
  // The OGM that answers calls; a missing key stays the target's own.
  const std::string ogm = ProfileReadString(folders.SettingsFile(), "settings", "ogm", "");
  if (!ogm.empty()) d.settings.push_back({"settings", "ogm", ogm});
  return d;
}
