#pragma once

#include <string>

class LFileTransferProtocol;
class LogFile;

// Logs on to the mailbox's "ftpserver" with "ftpuser"/"ftppass", changes to
// "ftpdir" (making its missing folders), uploads the message audio under its
// web name, then the mailbox's
// index page, then prunes the server's stale audio. Returns "" when the audio
// was uploaded (the index page's upload result does not count), else the
// error text with the server's reason, which is also logged; the message is
// expected to be converted already.
std::string UploadMessageByFtp(LFileTransferProtocol& ftp, const std::string& mailBoxPath,
                        const std::string& recordPath, LogFile& log);
