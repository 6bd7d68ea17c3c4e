#include "audio/LTTS.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "audio/LProgress.h"
#include "audio/LTTSAudioDest.h"
#include "audio/TtsText.h"
#include "core/LSignalObject.h"
#include "core/Trace.h"

namespace {

void SignalReady(const LTTS& job) {
  if (job.ready) job.ready->Set();
}

// Speaks every piece; stops at a cancel request or a failure.
ProcessResult SpeakPieces(const std::vector<std::string>& pieces, const TtsVoiceChoice& choice,
                          LTTSAudioDest& dest, LProgress& progress) {
  std::size_t total = 0;
  for (const std::string& piece : pieces) total += piece.size();
  std::size_t spoken = 0;
  bool fileFailed = false;
  const TtsSamples out = [&](const int16_t* samples, std::size_t count) {
    if (progress.IsCancelled()) return false;
    fileFailed = !dest.DataSet(samples, count * sizeof(int16_t));
    return !fileFailed;
  };
  for (const std::string& piece : pieces) {
    if (progress.IsCancelled()) return kProcessCancelled;
    if (!choice.engine->Speak(choice.voice, piece, out) || fileFailed) return kProcessFailed;
    spoken += piece.size();
    progress.SetProgress(static_cast<double>(spoken) / static_cast<double>(total));
  }
  return progress.IsCancelled() ? kProcessCancelled : kProcessDone;
}

}  // namespace

ProcessResult Process(LTTS& job, LProgress& progress, const TtsVoices& voices) {
  progress.SetText(0, "Synthesizing Voice");
  progress.SetText(1, "Please wait");
  progress.SetProgress(0);
  const std::optional<TtsVoiceChoice> choice = voices.Select(job.voice);
  if (!choice) {
    Trace("Process(LTTS) no speech voice is installed");
    SignalReady(job);
    return kProcessFailed;
  }
  UniqueFd fd(::open(job.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd.Valid()) {
    Trace("Process(LTTS) cannot create %s: %s", job.path.c_str(), std::strerror(errno));
    SignalReady(job);
    return kProcessFailed;
  }
  LTTSAudioDest dest(std::move(fd));
  const int32_t rate = choice->engine->SampleRate(choice->voice);
  if (!dest.WaveFormatSet(LWaveFileFormat::Pcm(static_cast<uint32_t>(rate), 1, 16))) {
    SignalReady(job);
    return kProcessFailed;
  }
  SignalReady(job);
  ProcessResult result = SpeakPieces(SplitTtsText(CleanTtsText(job.text)), *choice, dest, progress);
  if (!dest.Finish()) result = kProcessFailed;
  if (result == kProcessDone) progress.SetProgress(1);
  SignalReady(job);
  return result;
}
