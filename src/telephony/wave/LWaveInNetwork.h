#pragma once

#include <memory>
#include <thread>

#include "telephony/wave/LWaveInDevice.h"
#include "telephony/wave/LWaveNetworkLink.h"
#include "telephony/wave/LWaveQueue.h"
#include "telephony/wave/LWaveTimeline.h"

// A wave-in device that hears a remote phone's microphone through its link,
// at the pace of real time like the null device: each 20 ms chunk takes what
// the phone sent, padded with silence when it sent too little.
class LWaveInNetwork final : public LWaveInDevice {
 public:
  // Null unless `format` is the link's (8 kHz mono).
  static std::unique_ptr<LWaveInNetwork> Open(const LWavePcmFormat& format, LSignalObject& done,
                                              std::shared_ptr<LWaveNetworkLink> link);
  ~LWaveInNetwork() override;

  bool AddBuffer(LWaveHeader& header) override { return queue_.Add(header); }
  void Start() override { queue_.SetRunning(true); }
  void Stop() override;
  void Reset() override;

 private:
  LWaveInNetwork(const LWavePcmFormat& format, LSignalObject& done, std::shared_ptr<LWaveNetworkLink> link);
  void Run();

  const LWavePcmFormat format_;
  const std::shared_ptr<LWaveNetworkLink> link_;
  const LWaveTimeline timeline_;
  LWaveQueue queue_;
  std::thread thread_;
};
