#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "telephony/LWaveAlsaPcm.h"
#include "telephony/LWaveOutDevice.h"
#include "telephony/LWaveQueue.h"

// A sound card output. One thread feeds ALSA from the queue and makes every
// ALSA call after the open; a buffer is done once ALSA has played it out.
class LWaveOutAlsa final : public LWaveOutDevice {
 public:
  // Null, traced, when the device cannot be opened in this format.
  static std::unique_ptr<LWaveOutAlsa> Open(int index, const LWavePcmFormat& format,
                                            LSignalObject& done, bool mapped);
  ~LWaveOutAlsa() override;

  bool Write(LWaveHeader& header) override { return queue_.Add(header); }
  // ALSA plays out what it already holds (up to its latency), then waits.
  void Pause() override { queue_.SetRunning(false); }
  void Restart() override { queue_.SetRunning(true); }
  void Reset() override;
  void BreakLoop() override { queue_.BreakLoop(); }
  uint32_t QueuedBytes() const override { return queue_.QueuedBytes(); }

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
  LWaveQueue queue_;
  std::thread thread_;
};
