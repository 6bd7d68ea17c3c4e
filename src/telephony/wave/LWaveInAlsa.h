#pragma once

#include <memory>
#include <thread>

#include "telephony/wave/LWaveAlsaPcm.h"
#include "telephony/wave/LWaveInDevice.h"
#include "telephony/wave/LWaveQueue.h"

// A sound card input. One thread reads ALSA into the queue and makes every
// ALSA call after the open.
class LWaveInAlsa final : public LWaveInDevice {
 public:
  // Null, traced, when the device cannot be opened in this format.
  static std::unique_ptr<LWaveInAlsa> Open(int index, const LWavePcmFormat& format,
                                           LSignalObject& done, bool mapped);
  ~LWaveInAlsa() override;

  bool AddBuffer(LWaveHeader& header) override { return queue_.Add(header); }
  void Start() override { queue_.SetRunning(true); }
  void Stop() override;
  void Reset() override;

 private:
  LWaveInAlsa(std::unique_ptr<LWaveAlsaPcm> pcm, const LWavePcmFormat& format,
              LSignalObject& done);
  void Run();
  void Capture(const LWaveQueue::Chunk& chunk);

  const std::unique_ptr<LWaveAlsaPcm> pcm_;
  const LWavePcmFormat format_;
  bool failed_ = false;  // traced once
  LWaveQueue queue_;
  std::thread thread_;
};
