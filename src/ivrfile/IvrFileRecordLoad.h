#pragma once

#include <functional>
#include <string>

#include "audio/LProgressProcess.h"

class IvrLoadReport;
class IvrStagedFiles;
class LProgress;
struct IvrRecord;

// Rewrites the text of a file record that is not audio before it is put in
// place; `destination` is the file it will replace.
using IvrTextFilter = std::function<std::string(const std::string& destination, std::string text)>;

// How long a destination in use by another holder is waited for.
inline constexpr int kIvrWaitPollMs = 100;
inline constexpr int kIvrWaitPolls = 599;

// Writes the content of one checked file record of the open file `fd`,
// staged in `staged` for its place in `folder`: ".wav" and ".mp3" items as
// line-format WAVE data (an MP3 item keeps its name), anything else as it
// is, through `filter` when one is given. A file another process holds is
// waited for first. A name too long for its folder is shown and skipped;
// content that no longer matches its checksum, audio that cannot be decoded
// or a file that cannot be written (the cause is shown once, a full disk
// as such) fails the record.
ProcessResult LoadIvrFileRecord(int fd, const IvrRecord& record, const std::string& folder,
                                const IvrTextFilter& filter, IvrStagedFiles& staged,
                                LProgress& progress, IvrLoadReport& report);
