#include "audio/AutoGainControl.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "audio/LProgress.h"
#include "audio/LSPConvChannels.h"
#include "audio/LSPHighPass.h"
#include "audio/LWaveFile.h"
#include "audio/LineRate.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "log/LogFile.h"

namespace {

constexpr int kHighPassHz = 300;

void Report(LogFile* log, const std::string& path, const char* what) {
  const std::string text = "Automatic gain control of " + PathFileName(path) + " failed: " + what;
  Trace("%s", text.c_str());
  if (log) log->LogError(text);
}

enum class Pass { kDone, kStopped, kFailed };

// Both passes into `temp`; the sink is complete when this returns.
Pass Level(LSoundSourceRef source, const std::string& temp, LProgress& progress) {
  source = LSPHighPass(kHighPassHz).OpenSource(LSPConvChannels(1).OpenSource(std::move(source)));
  LSoundSinkRef sink = LWaveFile::OpenSinkPCM(temp, kLineRate, 0, 16, 1);
  LDPAutoGain run(std::move(source), sink, AutoGainControl::Parameters());
  for (int blocks = 0;; ++blocks) {
    if (progress.IsCancelled()) return Pass::kStopped;
    if (!run.Step()) break;
    if (blocks % 256 == 0) progress.SetProgress(run.Progress());
  }
  return run.Failed() || !sink || sink->IsError() ? Pass::kFailed : Pass::kDone;
}

// The finished copy's header was patched (a full disk may refuse even that).
bool Finished(const std::string& temp) {
  LSoundSourceRef copy = LWaveFile::OpenSource(temp);
  return !copy->IsError() && !copy->IsStreaming();
}

AutoGainControl::Result LeftAsItIs(const std::string& path) {
  Trace("AutoGainControl: %s changed while it was levelled; left as it is", path.c_str());
  return AutoGainControl::kDone;
}

// Waits until nobody holds a lock on `path`, then moves `temp` over it. A
// file deleted meanwhile is left deleted, and one replaced or written since
// it was read (`read`), even during the move, is left as it is now: the
// levelled copy is of audio that is gone.
AutoGainControl::Result Replace(const std::string& path, const struct stat& read, const std::string& temp,
                                LProgress& progress, LogFile* log) {
  for (;;) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid() && errno == ENOENT) return AutoGainControl::kDone;
    struct stat now {};
    if (fd.Valid() && (::fstat(fd.Get(), &now) != 0 || !SameFile(read, now))) {
      return LeftAsItIs(path);
    }
    if (fd.Valid() && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
      const MoveOverResult moved = MoveFileOverIfUnchanged(temp, path, read);
      if (moved == MoveOverResult::kChanged) return LeftAsItIs(path);
      if (moved == MoveOverResult::kMoved) return AutoGainControl::kDone;
      Report(log, path, std::strerror(errno));
      return AutoGainControl::kNotLevelled;
    }
    if (!progress.CancellableSleep(AutoGainControl::kInUseWaitMs)) {
      return AutoGainControl::kNotLevelled;
    }
  }
}

}  // namespace

LDPAutoGain::Parameters AutoGainControl::Parameters() { return {}; }

AutoGainControl::Result AutoGainControl::Process(const std::string& path, LProgress& progress,
                                                 LogFile* log) {
  // Taken before the file is opened: a file replaced in between is then
  // never overwritten by a levelled copy of the one before.
  struct stat read {};
  const bool there = ::stat(path.c_str(), &read) == 0;
  LSoundSourceRef source = LWaveFile::OpenSource(path);
  if (source->IsError()) {
    if (!there) return kDone;  // deleted while queued
    Report(log, path, "not a WAVE file this system can read");
    return kNotWave;
  }
  progress.SetText(0, "Levelling " + PathFileName(path));
  std::string temp;
  if (!CreateTempFile("tmp", temp).Valid()) {
    Report(log, path, std::strerror(errno));
    return kNotLevelled;
  }
  Pass pass = Level(std::move(source), temp, progress);
  if (pass == Pass::kDone && !Finished(temp)) pass = Pass::kFailed;
  Result result = kNotLevelled;
  if (pass == Pass::kFailed) Report(log, path, "the levelled copy could not be written");
  if (pass == Pass::kDone) result = Replace(path, read, temp, progress, log);
  ::unlink(temp.c_str());
  if (result == kDone && log) log->Log("Levelled ", PathFileName(path));
  return result;
}
