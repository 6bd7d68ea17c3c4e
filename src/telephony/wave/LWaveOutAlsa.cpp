#include "telephony/wave/LWaveOutAlsa.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>

#include "core/Trace.h"

std::unique_ptr<LWaveOutAlsa> LWaveOutAlsa::Open(int index, const LWavePcmFormat& format,
                                                 LSignalObject& done, bool mapped) {
  auto pcm = LWaveAlsaPcm::Open(LWaveAlsaPcm::Stream::kPlayback, index, format, mapped);
  if (!pcm) return nullptr;
  return std::unique_ptr<LWaveOutAlsa>(new LWaveOutAlsa(std::move(pcm), format, done));
}

LWaveOutAlsa::LWaveOutAlsa(std::unique_ptr<LWaveAlsaPcm> pcm, const LWavePcmFormat& format,
                           LSignalObject& done)
    : LWaveOutQueued(done),
      pcm_(std::move(pcm)),
      format_(format),
      thread_(&LWaveOutAlsa::Run, this) {}

LWaveOutAlsa::~LWaveOutAlsa() {
  queue_.Shutdown();
  thread_.join();
  snd_pcm_drop(pcm_->Get());
  queue_.ReturnAll();
}

void LWaveOutAlsa::Reset() {
  drop_ = true;
  LWaveOutQueued::Reset();
}

// What ALSA still holds has not sounded yet.
void LWaveOutAlsa::CompleteSounded() {
  snd_pcm_sframes_t delay = 0;
  if (snd_pcm_delay(pcm_->Get(), &delay) < 0 || delay < 0) delay = 0;
  const uint64_t held = static_cast<uint64_t>(delay) * format_.BlockAlign();
  const uint64_t released = queue_.ReleasedBytes();
  queue_.Complete(released > held ? released - held : 0);
}

void LWaveOutAlsa::Feed(const LWaveQueue::Chunk& chunk) {
  snd_pcm_t* pcm = pcm_->Get();
  const auto frames = static_cast<snd_pcm_uframes_t>(chunk.size / format_.BlockAlign());
  snd_pcm_sframes_t written = snd_pcm_writei(pcm, chunk.bytes, frames);
  if (written >= 0) {
    queue_.Release(static_cast<uint32_t>(written) * format_.BlockAlign(), false);
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
    return;
  }
  queue_.Release(0);
  if (written == -EAGAIN) {
    snd_pcm_wait(pcm, 20);
  } else if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) {
    if (!failed_) Trace("LWaveOutAlsa write FAILED: %s", snd_strerror(static_cast<int>(written)));
    failed_ = true;
    queue_.SleepUntil(LWaveQueue::TimePoint::clock::now() + std::chrono::milliseconds(20));
  }
}

void LWaveOutAlsa::Run() {
  // 20 ms chunks; the short wait keeps completions flowing while idle.
  const uint32_t chunkBytes = std::max<uint32_t>(1, format_.sampleRate / 50) * format_.BlockAlign();
  while (!queue_.IsShutdown()) {
    if (drop_.exchange(false)) {
      snd_pcm_drop(pcm_->Get());
      snd_pcm_prepare(pcm_->Get());
    }
    CompleteSounded();
    LWaveQueue::Chunk chunk = queue_.Acquire(chunkBytes, 20);
    if (chunk) Feed(chunk);
  }
}
