#include "mail/delivery/FolderDelivery.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/FileIo.h"
#include "core/Path.h"
#include "core/TempFile.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "log/LogFile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxSettings.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/LevellingWait.h"

namespace {

// A copy that appears complete or not at all, so a reader of the folder
// never takes a half-written message for the whole one.
bool CopyOver(const std::string& from, const std::string& to) {
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  TempFile copy;
  bool copied = in.Valid() && copy.Valid();
  char buffer[65536];
  for (std::size_t got; copied && (got = ReadUpTo(in.Get(), buffer, sizeof buffer)) > 0;)
    copied = WriteFully(copy.Fd(), std::string_view(buffer, got));
  copied = copied && ::fsync(copy.Fd()) == 0 && copy.MoveOver(to);
  if (!copied) Trace("SendToFolder %s: %s", to.c_str(), std::strerror(errno));
  return copied;
}

}  // namespace

DeliveryResult SendToFolder(DeliveryContext& context, const std::string& mailBoxPath,
                            const std::string& recordPath) {
  const std::string folder = LMailBoxSettings::Read(mailBoxPath).sendFolder;
  if (folder.empty()) {
    Trace("BGTask::SendToFolder sendfolder is empty");
    const std::string error =
        "Attempting to send message to folder not specified. Check Mailbox Properties.";
    context.log.LogError(error);
    return DeliveryResult::Failed(error);
  }
  const std::string audio = LMailBox::AudioPath(recordPath);
  if (!WaitUntilLevelled(context.levelling, context.progress, audio, "SendToFolder")) return {};
  context.log.Log("Sending message to folder: ", folder);
  const std::string destination = PathJoinExt(folder, PathTitle(recordPath), ".wav");
  if (CopyOver(audio, destination)) return DeliveryResult::Done();
  const std::string error = "Unable to copy message to folder " + destination;
  context.log.LogError(error);
  return DeliveryResult::Failed(error);
}
