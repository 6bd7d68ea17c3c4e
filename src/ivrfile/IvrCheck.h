#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/LProgressProcess.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrRecord.h"

class LProgress;

// The outcome of reading a whole ".ivr" file before anything is applied:
// every tag, length, name and checksum, up to the end record.
struct IvrCheck {
  ProcessResult result = kProcessFailed;
  // Why the file was refused (the user's text), empty otherwise.
  std::string error;
  // The refusal concerns a file record (kept quiet in a quiet load).
  bool inFileRecord = false;
  // The records read, up to the end record or the fault.
  std::vector<IvrRecord> records;
};

// Reads the open file `fd` of `size` bytes from its start. Tests the cancel
// request between records and between blocks of content.
IvrCheck CheckIvrFile(int fd, int64_t size, LProgress& progress);

// Why the program file at `path` cannot be loaded (it cannot be opened or
// CheckIvrFile refuses it), in the user's words; empty when it can. Lets a
// hand-over be refused before the engine touches anything.
std::string IvrFileProblem(const std::string& path);

// Why the data folder at `dataRoot` cannot take the program file at `path`
// now: it has less free space than the file's size (its audio decodes to
// more). Empty when there is room or it cannot be told.
std::string IvrSpaceProblem(const std::string& dataRoot, const std::string& path);

// Opens a regular file for reading without blocking on a FIFO of that
// name; `size` receives its size. Invalid (errno set) when it cannot.
UniqueFd OpenIvrFile(const std::string& path, int64_t& size);
