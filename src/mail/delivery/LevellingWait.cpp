#include "mail/delivery/LevellingWait.h"

#include "audio/LProgress.h"
#include "core/LProcessListThread.h"
#include "core/Trace.h"

namespace {

constexpr int kLevellingPollMs = 250;

}  // namespace

bool WaitUntilLevelled(const LProcessListThread* levelling, LProgress& progress,
                       const std::string& audio, const char* step) {
  while (levelling && levelling->InList(audio)) {
    Trace("BGTask::%s wait for agc to complete", step);
    if (!progress.CancellableSleep(kLevellingPollMs)) {
      Trace("BGTask::%s stopped while waiting for agc to complete", step);
      return false;
    }
  }
  return true;
}
