#include "ivrfile/LIVRLoad.h"

#include <cerrno>
#include <cstring>

#include "audio/LProgress.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrFileRecordLoad.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrRecord.h"

namespace {

// A program file may carry settings, but not those that say where the
// console listens and who may use it, nor the program the engine runs as
// its mailer: a file from elsewhere (an update server, an upload) must not
// open the console to the network or make the engine run a program.
bool MayLoadSetting(std::string_view section, std::string_view key) {
  return !EqualIgnoringCase(section, "console") &&
         !(EqualIgnoringCase(section, "email") && EqualIgnoringCase(key, "sendmail"));
}

}  // namespace

LIVRLoad::LIVRLoad(DataFolders folders, std::string path, bool quiet)
    : folders_(std::move(folders)), path_(std::move(path)), report_(quiet) {}

ProcessResult LIVRLoad::Process(LProgress& progress) {
  progress.SetText(0, kIvrLoadTitle);
  progress.SetText(1, "Opening file.");
  progress.SetProgress(0);
  int64_t size = 0;
  UniqueFd fd = OpenIvrFile(path_, size);
  if (!fd.Valid()) {
    Trace("IVRFileLoad unable to open %s: %s", path_.c_str(), std::strerror(errno));
    report_.Show(ivrtext::kUnableToOpen);
    return kProcessFailed;
  }
  const IvrCheck check = CheckIvrFile(fd.Get(), size, progress);
  if (check.result != kProcessDone) {
    if (check.inFileRecord) {
      report_.ShowForRecord(check.error);
    } else if (!check.error.empty()) {
      report_.Show(check.error);
    }
    return check.result;
  }
  for (const IvrRecord& record : check.records) {
    if (progress.IsCancelled()) return kProcessCancelled;
    const ProcessResult result = Apply(fd.Get(), record, progress);
    if (result != kProcessDone) return result;
    progress.SetProgress(static_cast<double>(record.end) / static_cast<double>(size));
  }
  return kProcessDone;
}

std::string LIVRLoad::FolderOf(uint8_t tag) const {
  switch (tag) {
    case kIvrTagOgmFile:
      return folders_.Ogms();
    case kIvrTagPromptFile:
      return folders_.SystemPrompts();
    case kIvrTagMailBoxFile:
      return folders_.MailBoxes();
    default:
      return folders_.Root();
  }
}

ProcessResult LIVRLoad::Apply(int fd, const IvrRecord& record, LProgress& progress) {
  if (IvrIsFileTag(record.tag)) {
    return LoadIvrFileRecord(fd, record, FolderOf(record.tag), progress, report_);
  }
  switch (record.tag) {
    case kIvrTagOgmKeepList:
      DeleteFilesNotKept(folders_.Ogms(), "", record.titles);
      break;
    case kIvrTagMailBoxKeepList:
      DeleteFilesNotKept(folders_.MailBoxes(), ".mbx", record.titles);
      break;
    case kIvrTagSetting:
      progress.SetText(1, "Update Settings");
      if (!MayLoadSetting(record.section, record.key)) {
        Trace("IVRFileLoad setting [%s] %s not taken", record.section.c_str(), record.key.c_str());
      } else if (!ProfileWriteString(folders_.SettingsFile(), record.section, record.key, record.value)) {
        report_.Show("Unable to update the settings file.");
        return kProcessFailed;
      }
      break;
    case kIvrTagNotes:
      progress.SetText(1, "Update Notes");
      if (!ReplaceFileText(ResolveCaseInsensitive(PathJoin(folders_.Root(), "notes.txt")),
                           record.text)) {
        Trace("IVRFileLoadNotes unable to open write file");
      }
      break;
    case kIvrTagShowNotes:
      ProfileWriteBool(folders_.SettingsFile(), "settings", "notespopup", true);
      break;
    default:  // the end record
      break;
  }
  return kProcessDone;
}
