#include "telephony/wave/LWaveInAlsa.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>

#include "core/Trace.h"

std::unique_ptr<LWaveInAlsa> LWaveInAlsa::Open(int index, const LWavePcmFormat& format,
                                               LSignalObject& done, bool mapped) {
  auto pcm = LWaveAlsaPcm::Open(LWaveAlsaPcm::Stream::kCapture, index, format, mapped);
  if (!pcm) return nullptr;
  return std::unique_ptr<LWaveInAlsa>(new LWaveInAlsa(std::move(pcm), format, done));
}

LWaveInAlsa::LWaveInAlsa(std::unique_ptr<LWaveAlsaPcm> pcm, const LWavePcmFormat& format,
                         LSignalObject& done)
    : pcm_(std::move(pcm)),
      format_(format),
      queue_(LWaveQueue::Direction::kIn, done, false),
      thread_(&LWaveInAlsa::Run, this) {}

LWaveInAlsa::~LWaveInAlsa() {
  queue_.Shutdown();
  thread_.join();
  snd_pcm_drop(pcm_->Get());
  queue_.ReturnAll();
}

void LWaveInAlsa::Stop() {
  queue_.SetRunning(false);
  queue_.ReturnPartial();
}

void LWaveInAlsa::Reset() {
  queue_.SetRunning(false);
  queue_.ReturnAll();
}

void LWaveInAlsa::Capture(const LWaveQueue::Chunk& chunk) {
  snd_pcm_t* pcm = pcm_->Get();
  const auto frames = static_cast<snd_pcm_uframes_t>(chunk.size / format_.BlockAlign());
  snd_pcm_sframes_t got = snd_pcm_readi(pcm, chunk.bytes, frames);
  if (got >= 0) {
    queue_.Release(static_cast<uint32_t>(got) * format_.BlockAlign());
    return;
  }
  queue_.Release(0);
  if (got == -EAGAIN) {
    snd_pcm_wait(pcm, 20);
  } else if (snd_pcm_recover(pcm, static_cast<int>(got), 1) >= 0) {
    snd_pcm_start(pcm);
  } else {
    if (!failed_) Trace("LWaveInAlsa read FAILED: %s", snd_strerror(static_cast<int>(got)));
    failed_ = true;
    queue_.SleepUntil(LWaveQueue::TimePoint::clock::now() + std::chrono::milliseconds(20));
  }
}

void LWaveInAlsa::Run() {
  const uint32_t chunkBytes = std::max<uint32_t>(1, format_.sampleRate / 50) * format_.BlockAlign();
  uint64_t seen = queue_.Generation();
  while (!queue_.IsShutdown()) {
    const uint64_t generation = queue_.Generation();
    if (generation != seen) {
      // Started, stopped or reset: capture restarts from now.
      seen = generation;
      snd_pcm_drop(pcm_->Get());
      if (queue_.Running()) {
        snd_pcm_prepare(pcm_->Get());
        snd_pcm_start(pcm_->Get());
      }
    }
    LWaveQueue::Chunk chunk = queue_.Acquire(chunkBytes, 100);
    if (chunk) Capture(chunk);
  }
}
