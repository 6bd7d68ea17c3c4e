#pragma once

#include <string>

#include "audio/LProgressProcess.h"

class IvrLoadReport;
class LProgress;
struct IvrRecord;

// How long a destination in use by another holder is waited for.
inline constexpr int kIvrWaitPollMs = 100;
inline constexpr int kIvrWaitPolls = 599;

// Places the content of one checked file record of the open file `fd` in
// `folder`: ".wav" and ".mp3" items as line-format WAVE data (an MP3 item
// keeps its name), anything else as it is. A file another process holds
// is waited for first. A destination that cannot be replaced is shown and
// skipped; content that no longer matches its checksum or audio that cannot
// be decoded fails the record.
ProcessResult LoadIvrFileRecord(int fd, const IvrRecord& record, const std::string& folder,
                                LProgress& progress, IvrLoadReport& report);
