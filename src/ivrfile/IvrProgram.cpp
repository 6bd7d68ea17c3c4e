#include "ivrfile/IvrProgram.h"

#include <unistd.h>

#include "core/CaseInsensitivePath.h"
#include "core/DataFolders.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/LIVRSave.h"

namespace {

constexpr std::string_view kSettings = "settings";

void Remember(const DataFolders& folders, const std::string& path) {
  ProfileWriteString(folders.SettingsFile(), kSettings, "ivrfile", path);
  ProfileWriteString(folders.SettingsFile(), kSettings, "ivrfiledir", PathFolder(path));
}

}  // namespace

std::string IvrNotesPath(const DataFolders& folders) {
  return ResolveCaseInsensitive(PathJoin(folders.Root(), "notes.txt"));
}

bool IvrProgramModified(const DataFolders& folders) {
  return ProfileReadBool(folders.SettingsFile(), kSettings, "ivrmodified", false);
}

IvrLoadOutcome LoadIvrProgram(const DataFolders& folders, const std::string& path, bool quiet,
                              LProgress& progress, IvrLoadOrigin origin) {
  const std::string& settings = folders.SettingsFile();
  ProfileDeleteKey(settings, kSettings, "notespopup");
  LIVRLoad load(folders, path, quiet, origin);
  IvrLoadOutcome outcome;
  outcome.result = load.Process(progress);
  outcome.messages = load.Report().Messages();
  // A file that failed is not the program, and the OGMs it did not replace
  // keep their changes.
  if (outcome.result == kProcessDone) IvrProgramSaved(folders, path);
  outcome.showNotes = !quiet && ProfileReadBool(settings, kSettings, "notespopup", false);
  ProfileDeleteKey(settings, kSettings, "notespopup");
  return outcome;
}

ProcessResult SaveIvrProgram(const DataFolders& folders, IvrSaveDescription description,
                             LProgress& progress, std::string& error) {
  const std::string path = description.filename;
  LIVRSave save(folders, std::move(description));
  const ProcessResult result = save.Process(progress);
  error = save.Error();
  if (result == kProcessDone) IvrProgramSaved(folders, path);
  return result;
}

void IvrProgramSaved(const DataFolders& folders, const std::string& path) {
  Remember(folders, path);
  ProfileDeleteKey(folders.SettingsFile(), kSettings, "ivrmodified");
}

void NewIvrProgram(const DataFolders& folders) {
  DeleteAllFiles(folders.Ogms());
  ProfileDeleteKey(folders.SettingsFile(), kSettings, "ivrmodified");
  ProfileDeleteKey(folders.SettingsFile(), kSettings, "ivrfile");
  ::unlink(IvrNotesPath(folders).c_str());
}
