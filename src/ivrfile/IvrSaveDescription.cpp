#include "ivrfile/IvrSaveDescription.h"

#include <algorithm>
#include <string_view>

#include "core/CaseInsensitivePath.h"
#include "core/DataFolders.h"
#include "core/IniStore.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
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

void SetList(IniFile& ini, std::string_view prefix, const std::vector<std::string>& list) {
  const std::string name(prefix);
  ini.Set(kSave, name + "count", std::to_string(list.size()));
  for (std::size_t i = 0; i < list.size(); ++i) ini.Set(kSave, name + std::to_string(i), list[i]);
}

const char* Bool(bool value) { return value ? "true" : "false"; }

// The answering OGM; a missing key stays the target's own.
void AddAnsweringOgm(const DataFolders& folders, IvrSaveDescription& d) {
  const std::string ogm = ProfileReadString(folders.SettingsFile(), "settings", "ogm", "");
  if (!ogm.empty()) d.settings.push_back({"settings", "ogm", ogm});
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
  AddAnsweringOgm(folders, d);
  return d;
}

IvrSaveDescription IvrSaveDescription::WizardStart(const DataFolders& folders) {
  IvrSaveDescription d;
  d.filename = ProfileReadString(folders.SettingsFile(), "settings", "ivrfile", "");
  d.ogms = FolderTitles(folders.Ogms(), ".ini");
  const std::vector<std::string> present = ProgramFileNames(folders.Root());
  const IvrSaveDescription last = Read(ResolveCaseInsensitive(PathJoin(folders.Root(), kFileName)));
  for (const std::string& name : last.programs) {
    const auto found = std::find_if(present.begin(), present.end(),
                                    [&name](const std::string& p) { return EqualIgnoringCase(p, name); });
    if (found != present.end()) d.programs.push_back(*found);
  }
  AddAnsweringOgm(folders, d);
  return d;
}

bool IvrSaveDescription::Write(const std::string& path) const {
  return IniUpdate(path, [this](IniFile& ini) {
    ini.DeleteSection(kSave);
    ini.Set(kSave, "filename", filename);
    SetList(ini, "ogm", ogms);
    ini.Set(kSave, "ogmdelete", Bool(ogmDelete));
    SetList(ini, "mbx", mailBoxes);
    ini.Set(kSave, "mbxdelete", Bool(mailBoxDelete));
    ini.Set(kSave, "mbxgreetings", Bool(mailBoxGreetings));
    SetList(ini, "prompt", prompts);
    SetList(ini, "exe", programs);
    ini.Set(kSave, "settingcount", std::to_string(settings.size()));
    for (std::size_t i = 0; i < settings.size(); ++i) {
      const std::string key = "setting" + std::to_string(i);
      ini.Set(kSave, key + "section", settings[i].section);
      ini.Set(kSave, key + "item", settings[i].key);
      ini.Set(kSave, key + "value", settings[i].value);
    }
    ini.Set(kSave, "notes", Bool(notes));
    ini.Set(kSave, "notespopup", Bool(notesPopup));
    return true;
  });
}
