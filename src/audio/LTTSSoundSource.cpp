#include "audio/LTTSSoundSource.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/LProgressSilent.h"
#include "audio/LSRCNull.h"
#include "audio/LTTS.h"
#include "audio/LWaveFile.h"
#include "core/FileIo.h"
#include "core/LSignalObject.h"
#include "core/Path.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

// Shared with the thread, which may outlive the source when it overstays
// its grace.
struct LTTSSoundSource::Job {
  LTTS tts;
  LSignalObject ready;
  const TtsVoices* voices;
};

namespace {

// A fresh empty file "tmp…" in the temporary folder; "" on failure.
std::string MakeTempFile() {
  std::string path;
  if (!CreateTempFile("tmp", path).Valid()) {
    Trace("LTTSSoundSource unable to create a temporary file: %s", std::strerror(errno));
  }
  return path;
}

}  // namespace

LTTSSoundSource::LTTSSoundSource(std::string text, int voice, const TtsVoices& voices)
    : LSoundSourceBase(44100, 1, kFullScale16),
      job_(std::make_shared<Job>()),
      path_(MakeTempFile()),
      inner_(new LSRCNull) {
  job_->tts.text = std::move(text);
  job_->tts.path = path_;
  job_->tts.voice = voice;
  job_->tts.ready = &job_->ready;
  job_->voices = &voices;
  if (path_.empty() || !Start(kPriorityNormal)) {
    SetError();
    return;
  }
  OpenInner();
}

LTTSSoundSource::~LTTSSoundSource() {
  StopThreadTimed(kStopTimeoutMs);
  inner_ = LSoundSourceRef();
  if (!path_.empty()) ::unlink(path_.c_str());
}

void LTTSSoundSource::OpenInner() {
  if (!job_->ready.Wait(kReadyWaitMs)) Trace("LTTSSoundSource no audio within %d ms", kReadyWaitMs);
  inner_ = LWaveFile::OpenSource(path_);
  if (inner_->IsError()) SetError();
  SetSampleRate(inner_->SampleRate());
  SetChannels(inner_->Channels());
  SetMaxLevel(inner_->MaxLevel());
}

void LTTSSoundSource::ThreadFunction() {
  Job& job = ThreadState<Job>();
  LProgressSilent progress(&StopSignal());
  Process(job.tts, progress, *job.voices);
}

std::shared_ptr<void> LTTSSoundSource::ShareThreadState() { return job_; }
