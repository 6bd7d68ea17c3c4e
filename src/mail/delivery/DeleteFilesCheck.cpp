#include "mail/delivery/DeleteFilesCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/DataFolders.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextFormat.h"
#include "log/LogFile.h"
#include "mail/LFileSearch.h"
#include "mail/MailFiles.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/SendCheck.h"

namespace {

constexpr int64_t kUnitsPerDay = 202;
constexpr int64_t kEpochTo1601 = 11644473600;

// The high 32 bits of the time in 100 ns units since 1601.
int64_t HighTime(int64_t secondsSince1970) {
  return static_cast<int64_t>((static_cast<uint64_t>(secondsSince1970 + kEpochTo1601) * 10000000u) >> 32);
}

// When the file was made: its birth time where the file system keeps one,
// else its last change of contents; -1 when it cannot be told.
int64_t CreationTime(const std::string& path) {
  struct statx st {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &st) != 0) return -1;
  return (st.stx_mask & STATX_BTIME) ? st.stx_btime.tv_sec : st.stx_mtime.tv_sec;
}

}  // namespace

void DeleteFilesCheck(DeliveryContext& context, std::time_t now) {
  const int days = ProfileReadInt(context.folders.SettingsFile(), "settings", "deletefiledays", 30);
  if (days == 0) return;
  const int64_t limit = HighTime(now) - days * kUnitsPerDay;
  int undelivered = 0;
  LFileSearch records(context.folders.MailBoxes(),
                      [](std::string_view name) { return MatchesWildcard(name, "", ".ini"); });
  for (; records.IsValid(); records.Next()) {
    const std::string record = records.Path();
    const int64_t created = CreationTime(record);
    if (created < 0 || HighTime(created) >= limit) continue;
    // Its owner has not had it yet: a delivery that keeps failing is reported every round.
    if (SendCheck::Undelivered(record)) {
      ++undelivered;
      continue;
    }
    if (::unlink(record.c_str()) != 0) continue;
    context.notify({WM_DELMESSAGE, 0, 0, record});
    RemoveIgnoringCase(PathReplaceExtension(record, ".wav"));
    context.log.Log(TextFormat("Deleted %s: older than %d days", PathFileName(record).c_str(), days));
  }
  if (undelivered > 0)
    context.log.Log(
        TextFormat("%d message(s) older than %d days kept: not delivered yet", undelivered, days));
}
