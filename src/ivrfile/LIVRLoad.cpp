#include "ivrfile/LIVRLoad.h"

#include <cerrno>
#include <cstring>

#include "audio/LProgress.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/TextFormat.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrFileRecordLoad.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrRecord.h"
#include "ivrfile/IvrUpdateFilter.h"

namespace {

// How much of a file an update replaces is read to keep its guarded keys.
constexpr std::size_t kMaxGuardedFile = 1 << 20;

// An owner's program file may carry settings, but not those that say where
// the console listens and who may use it, nor the program the engine runs
// as its mailer: a file from elsewhere (an upload) must not open the
// console to the network or make the engine run a program. An update
// brings no settings at all.
bool MayLoadSetting(std::string_view section, std::string_view key) {
  return !EqualIgnoringCase(section, "console") &&
         !(EqualIgnoringCase(section, "email") && EqualIgnoringCase(key, "sendmail"));
}

}  // namespace

LIVRLoad::LIVRLoad(DataFolders folders, std::string path, bool quiet, IvrLoadOrigin origin)
    : folders_(std::move(folders)), path_(std::move(path)), report_(quiet), origin_(origin) {}

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
    const ProcessResult result = Stage(fd.Get(), record, progress);
    if (result != kProcessDone) return result;
    progress.SetProgress(static_cast<double>(record.end) / static_cast<double>(size));
  }
  for (int failed = staged_.PutInPlace(); failed > 0; --failed) {
    report_.ShowForRecord(ivrtext::kReplace);
  }
  for (const IvrRecord& record : check.records) {
    const ProcessResult result = Apply(record, progress);
    if (result != kProcessDone) return result;
  }
  ReportNames("OGMs that run programs: ", runningPrograms_);
  ReportNames("Left out of the update (the files kept their own programs, delivery targets and "
              "access codes): ",
              leftOut_);
  if (settingsLeftOut_ > 0) {
    report_.Show(TextFormat("Left out of the update: %d settings", settingsLeftOut_));
  }
  return kProcessDone;
}

void LIVRLoad::ReportNames(const char* what, const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::string text = what;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i == 0 ? "" : ", ") + names[i];
  report_.Show(text);
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

ProcessResult LIVRLoad::Stage(int fd, const IvrRecord& record, LProgress& progress) {
  if (!IvrIsFileTag(record.tag)) return kProcessDone;
  IvrTextFilter filter;
  if (ivr_update::HasGuardedKeys(record.tag, record.name)) {
    filter = [&](const std::string& destination, std::string text) {
      return Filter(record, destination, std::move(text));
    };
  }
  return LoadIvrFileRecord(fd, record, FolderOf(record.tag), filter, staged_, progress, report_);
}

std::string LIVRLoad::Filter(const IvrRecord& record, const std::string& destination,
                             std::string text) {
  if (origin_ == IvrLoadOrigin::kOwner) {
    if (record.tag == kIvrTagOgmFile && ivr_update::RunsPrograms(text)) {
      runningPrograms_.push_back(PathTitle(record.name));
    }
    return text;
  }
  const std::string current = ReadFileText(destination, kMaxGuardedFile).value_or("");
  bool changed = false;
  std::string kept = ivr_update::KeepGuardedKeys(record.tag, text, current, changed);
  if (changed) {
    Trace("IVRFileLoad update: guarded keys of %s left out", record.name.c_str());
    leftOut_.push_back(record.name);
  }
  return kept;
}

ProcessResult LIVRLoad::Apply(const IvrRecord& record, LProgress& progress) {
  switch (record.tag) {
    case kIvrTagOgmKeepList:
      DeleteFilesNotKept(folders_.Ogms(), "", record.titles);
      break;
    case kIvrTagMailBoxKeepList:
      DeleteFilesNotKept(folders_.MailBoxes(), ".mbx", record.titles);
      break;
    case kIvrTagSetting:
      progress.SetText(1, "Update Settings");
      if (origin_ == IvrLoadOrigin::kUpdate) {
        ++settingsLeftOut_;
      } else if (!MayLoadSetting(record.section, record.key)) {
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
    default:  // the end record and the files, already in place
      break;
  }
  return kProcessDone;
}
