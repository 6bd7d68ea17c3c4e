#pragma once

#include <string>

class LFileTransferProtocol;

// Deletes every "*.wav" file of the server's current directory whose name is
// the web name of no ".wav" file (any case) in `mailBoxFolder`: every
// mailbox's messages and greetings count. Nothing is deleted when the folder
// has no ".wav" file (or cannot be read). Returns how many were deleted.
int PruneServerAudio(LFileTransferProtocol& ftp, const std::string& mailBoxFolder);
