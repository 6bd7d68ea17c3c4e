#include "mail/delivery/MessageCompression.h"

#include "audio/AudioImport.h"
#include "audio/LProgress.h"
#include "core/DataFolders.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/LevellingWait.h"

namespace {

LWaveFileFormat DeliveryFormat(const DataFolders& folders) {
  LWaveFileFormat format(8);
  format.ReadWff(PathReplaceExtension(folders.SettingsFile(), ".wff"));
  return format;
}

}  // namespace

bool CompressMessage(DeliveryContext& context, const std::string& recordPath) {
  return CompressMessage(context.folders, context.levelling, context.progress, recordPath);
}

bool CompressMessage(const DataFolders& folders, const LProcessListThread* levelling,
                     LProgress& progress, const std::string& recordPath) {
  if (ProfileReadBool(recordPath, LMailBoxMessage::kSection, "compressed", false)) return true;
  const std::string audio = LMailBox::AudioPath(recordPath);
  if (!WaitUntilLevelled(levelling, progress, audio, "CompressMessage")) return false;
  LPRCompressWav job(DeliveryFormat(folders), audio);
  if (job.Process(progress) != kProcessDone) return false;
  return LMailBoxMessage::SetFlag(recordPath, "compressed", true);
}
