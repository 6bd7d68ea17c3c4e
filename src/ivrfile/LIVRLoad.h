#pragma once

#include <string>
#include <vector>

#include "audio/LProgressProcess.h"
#include "core/DataFolders.h"
#include "ivrfile/IvrLoadReport.h"
#include "ivrfile/IvrStagedFiles.h"

class LProgress;
struct IvrRecord;

// Who asked for a load: the owner (a command, the console), or the
// unattended update check, whose file may come from anyone able to write
// where it looks (see IvrUpdateFilter.h).
enum class IvrLoadOrigin { kOwner, kUpdate };

// Loads an ".ivr" program file into the data folders. The whole file is
// read and checked first (every tag, length, name and checksum) and nothing
// is applied when that fails. Then every file is written beside its
// destination and, once all are, put in place; the other records (keep
// lists, settings, notes) follow in their order. A file that cannot be
// written or decoded fails the load with the program as it was. Safe on a
// worker thread: it touches only the data folders and the temporary folder.
// The report says which OGMs of an owner's load run programs, and what an
// update left out.
class LIVRLoad {
 public:
  LIVRLoad(DataFolders folders, std::string path, bool quiet,
           IvrLoadOrigin origin = IvrLoadOrigin::kOwner);

  // kProcessDone, kProcessCancelled (between records and blocks) or
  // kProcessFailed; the texts for the user are in Report().
  ProcessResult Process(LProgress& progress);
  const IvrLoadReport& Report() const { return report_; }

 private:
  ProcessResult Stage(int fd, const IvrRecord& record, LProgress& progress);
  // The OGM and mailbox files an update brings keep the guarded keys of
  // those they replace; an owner's OGMs are noted when they run programs.
  std::string Filter(const IvrRecord& record, const std::string& destination, std::string text);
  ProcessResult Apply(const IvrRecord& record, LProgress& progress);
  std::string FolderOf(uint8_t tag) const;
  void ReportNames(const char* what, const std::vector<std::string>& names);

  DataFolders folders_;
  std::string path_;
  IvrLoadReport report_;
  const IvrLoadOrigin origin_;
  IvrStagedFiles staged_;
  std::vector<std::string> runningPrograms_;  // OGM names
  std::vector<std::string> leftOut_;          // file names
  int settingsLeftOut_ = 0;
};
