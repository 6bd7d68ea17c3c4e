#include "mail/delivery/AutoLoadCheck.h"

#include <sys/stat.h>

#include <string>

#include "audio/LProgress.h"
#include "core/DataFolders.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TempFile.h"
#include "core/Trace.h"
#include "log/LogFile.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/transfer/LFileTransferProtocol.h"

namespace {

constexpr const char* kSection = "remote";

struct UpdateCheck {
  DeliveryContext& context;
  const std::string& settings;
  std::string name;

  std::time_t LoadedStamp() const {
    return ProfileReadSeconds(settings, kSection, "filedate");
  }
  void StoreStamp(std::time_t stamp) const {
    ProfileWriteSeconds(settings, kSection, "filedate", stamp);
  }
  // The engine answers 0 once it holds its own copy. Anything else (busy,
  // another load running, no answer in time) leaves the stamp as it was, so
  // the next check tries again.
  void Load(const std::string& path, std::time_t stamp) const {
    if (context.notify({WM_LOADIVRFILEQUIET, 0, 0, path}) == 0) return StoreStamp(stamp);
    context.log.LogError("IVR program update not handed over to load, tried again at the next check: ", name);
  }

  void FromFolder() const {
    const std::string path = PathJoin(ProfileReadString(settings, kSection, "folder", ""), name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_mtime == LoadedStamp()) return;
    Load(path, st.st_mtime);
  }

  void FromServer(LFileTransferProtocol& ftp) const {
    const std::string server = ProfileReadString(settings, kSection, "server", "");
    if (server.empty()) return Trace("AutoLoadCheck: no update server set");
    context.log.Log("Checking for update on server: ", server);
    if (!ftp.LogOnServer(server)) return context.log.LogError("Unable to connect to server: ", server);
    if (context.progress.IsCancelled()) return;
    const std::time_t stamp = ftp.GetFileTime(name);
    if (context.progress.IsCancelled()) return;
    // Without its time a file cannot be told from the one loaded last.
    if (stamp == 0) return context.log.Log("No IVR program update on the server, or its time cannot be read: ", name);
    if (stamp == LoadedStamp()) return;
    TempFile download;
    if (!download.Valid() || !ftp.GetFile(name, download.Path()))
      return context.log.LogError("Unable to download the IVR program update: ", name);
    Load(download.Path(), stamp);
  }
};

// Clears the schedule or moves it on, before the check, so a failing check
// is not repeated at every round.
void Reschedule(const std::string& settings, std::time_t now) {
  std::time_t next = 0;
  if (ProfileReadBool(settings, kSection, "autocheck", false))
    next = now + ProfileReadInt(settings, kSection, "autocheckinterval", 60) * 60;
  ProfileWriteDate(settings, kSection, "nextcheck", next);
}

}  // namespace

void AutoLoadCheck(DeliveryContext& context, LFileTransferProtocol& ftp, std::time_t now) {
  const std::string& settings = context.folders.SettingsFile();
  const std::time_t due = ProfileReadDate(settings, kSection, "nextcheck", 0);
  if (due == 0 || due > now) return;
  Reschedule(settings, now);
  const UpdateCheck check{
      context, settings,
      "zav" + std::to_string(ProfileReadInt(settings, kSection, "installid", 0)) + ".ivr"};
  if (ProfileReadInt(settings, kSection, "mode", 0) != 0) return check.FromFolder();
  check.FromServer(ftp);
}
