#pragma once

#include <string>
#include <vector>

#include "mail/LMessageArrival.h"

class DataFolders;

// A message whose recording was cut off by a crash or a power cut, found and
// finished at the engine's next start.
struct RecoveredMessage {
  std::string record;  // the message's INI file
  std::string audio;
  // False when it was too short to keep and was deleted, as it would have
  // been had the recording ended normally.
  bool kept = false;
  LMessageArrival::Notice notice;  // what the main window must be told
};

// Walks every mailbox for messages whose audio header still says
// "streaming" and that no running process is recording. Each gets its final
// header (the length the file system kept, whole blocks only) and the
// arrival bookkeeping of a finished message (LMessageArrival::Arrived); one
// of LMessageArrival::kShortestKeptMs or less is deleted instead. The
// bookkeeping comes first, so a crash in between repeats it rather than
// leaving a finished message nobody was told of.
std::vector<RecoveredMessage> RecoverInterruptedMessages(const DataFolders& folders);
