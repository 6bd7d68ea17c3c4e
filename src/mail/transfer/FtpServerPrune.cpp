#include "mail/transfer/FtpServerPrune.h"

#include <set>

#include "mail/LFileSearch.h"
#include "mail/transfer/LFileTransferProtocol.h"
#include "mail/transfer/WebName.h"

int PruneServerAudio(LFileTransferProtocol& ftp, const std::string& mailBoxFolder) {
  std::set<std::string> local;
  LFileSearch search(mailBoxFolder, [](std::string_view name) { return MatchesWildcard(name, "", ".wav"); });
  for (; search.IsValid(); search.Next()) local.insert(WebName(search.Path()));
  // A folder that cannot be read must not empty the server.
  if (local.empty()) return 0;
  int deleted = 0;
  for (const std::string& name : ftp.ListFiles("*.wav")) {
    if (!local.contains(name) && ftp.DeleteFile(name)) ++deleted;
  }
  return deleted;
}
