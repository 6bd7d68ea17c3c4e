#include "mail/delivery/MessageCompression.h"

#include "audio/AudioImport.h"
#include "audio/LProgress.h"
#include "core/DataFolders.h"
#include "core/LProcessListThread.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/Trace.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/delivery/DeliveryContext.h"

namespace {

constexpr int kLevellingPollMs = 250;

LWaveFileFormat DeliveryFormat(const DataFolders& folders) {
  LWaveFileFormat format(8);
  format.ReadWff(PathReplaceExtension(folders.SettingsFile(), ".wff"));
  return format;
}

// False when the task was stopped while waiting.
bool WaitForLevelling(const LProcessListThread* levelling, LProgress& progress,
                      const std::string& audio) {
  while (levelling && levelling->InList(audio)) {
    Trace("BGTask::CompressMessage wait for agc to complete");
    if (!progress.CancellableSleep(kLevellingPollMs)) {
      Trace("BGTask::CompressMessage stopped while waiting for agc to complete");
      return false;
    }
  }
  return true;
}

}  // namespace

bool CompressMessage(DeliveryContext& context, const std::string& recordPath) {
  return CompressMessage(context.folders, context.levelling, context.progress, recordPath);
}

bool CompressMessage(const DataFolders& folders, const LProcessListThread* levelling,
                     LProgress& progress, const std::string& recordPath) {
  if (ProfileReadBool(recordPath, LMailBoxMessage::kSection, "compressed", false)) return true;
  const std::string audio = LMailBox::AudioPath(recordPath);
  if (!WaitForLevelling(levelling, progress, audio)) return false;
  LPRCompressWav job(DeliveryFormat(folders), audio);
  if (job.Process(progress) != kProcessDone) return false;
  return ProfileWriteBool(recordPath, LMailBoxMessage::kSection, "compressed", true);
}
