#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audio/LProgressProcess.h"
#include "audio/LWaveFileFormat.h"
#include "core/DataFolders.h"
#include "ivrfile/IvrSaveDescription.h"

class IvrWriter;
class LProgress;

// Writes the program a save description names into one ".ivr" file: the
// file records of the OGMs, mailboxes (and greetings), system prompts and
// program files, then the settings, the keep-lists, the notes and the end
// record. WAVE files travel in the save format ("savecodec.wff" in the data
// folder, else 16-bit PCM, 8000 Hz, mono). A save that fails or is
// cancelled leaves no output file.
class LIVRSave {
 public:
  static constexpr std::string_view kSaveFormatFile = "savecodec.wff";

  LIVRSave(DataFolders folders, IvrSaveDescription description);

  // kProcessDone or kProcessFailed (a cancel fails the save too); the text
  // for the user, if any, is in Error().
  ProcessResult Process(LProgress& progress);
  const std::string& Error() const { return error_; }

 private:
  // The files one name of the description stands for, in directory order.
  struct Pattern {
    uint8_t tag;
    std::vector<std::string> paths;
  };
  std::vector<Pattern> Patterns() const;
  bool WriteRecords(IvrWriter& out, LProgress& progress);
  // False when the save must stop (cancel, a write failure).
  bool WriteFileRecord(IvrWriter& out, uint8_t tag, const std::string& path, LProgress& progress);
  // Keeps the user's text for a failed write in the folder of `path`; false.
  bool WriteFailed(int error, const std::string& path);
  bool WriteContent(IvrWriter& out, int fd, uint32_t size, LProgress& progress);
  void WriteNotes(IvrWriter& out);

  DataFolders folders_;
  IvrSaveDescription description_;
  LWaveFileFormat format_;
  std::string error_;
};
