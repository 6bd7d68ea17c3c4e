#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "telephony/wave/LWaveAlsaPcm.h"
#include "telephony/wave/LWaveOutQueued.h"

// A sound card output. One thread feeds ALSA from the queue and makes every
// ALSA call after the open; a buffer is done once ALSA has played it out.
class LWaveOutAlsa final : public LWaveOutQueued {
 public:
  // Null, traced, when the device cannot be opened in this format.
  static std::unique_ptr<LWaveOutAlsa> Open(int index, const LWavePcmFormat& format,
                                            LSignalObject& done, bool mapped);
  ~LWaveOutAlsa() override;

  // Pause: ALSA plays out what it already holds (up to its latency), then waits.
  void Reset() override;

 private:
  LWaveOutAlsa(std::unique_ptr<LWaveAlsaPcm> pcm, const LWavePcmFormat& format,
               LSignalObject& done);
  void Run();
  void CompleteSounded();
  void Feed(const LWaveQueue::Chunk& chunk);

  const std::unique_ptr<LWaveAlsaPcm> pcm_;
  const LWavePcmFormat format_;
  std::atomic<bool> drop_{false};
  bool failed_ = false;  // traced once
  std::thread thread_;
};
