#pragma once

#include <string>
#include <vector>

#include "audio/LProgressProcess.h"
#include "core/DataFolders.h"
#include "ivrfile/IvrLoadReport.h"

class LProgress;
struct IvrRecord;

// Loads an ".ivr" program file into the data folders. The whole file is
// read and checked first (every tag, length, name and checksum) and nothing
// is applied when that fails; then the records are applied in their order.
// A failure while applying (a full disk, audio that will not decode) leaves
// the records applied so far. Safe on a worker thread: it touches only the
// data folders and the temporary folder.
class LIVRLoad {
 public:
  LIVRLoad(DataFolders folders, std::string path, bool quiet);

  // kProcessDone, kProcessCancelled (between records and blocks) or
  // kProcessFailed; the texts for the user are in Report().
  ProcessResult Process(LProgress& progress);
  const IvrLoadReport& Report() const { return report_; }

 private:
  ProcessResult Apply(int fd, const IvrRecord& record, LProgress& progress);
  std::string FolderOf(uint8_t tag) const;

  DataFolders folders_;
  std::string path_;
  IvrLoadReport report_;
};
