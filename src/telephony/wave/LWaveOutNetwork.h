#pragma once

#include <memory>
#include <thread>

#include "telephony/wave/LWaveNetworkLink.h"
#include "telephony/wave/LWaveOutQueued.h"
#include "telephony/wave/LWaveTimeline.h"

// A wave-out device whose audio goes to a remote phone's earpiece through
// its link, at the pace of real time like the null device: a buffer is done
// once its last 20 ms chunk has sounded, whether or not the phone fetched it.
class LWaveOutNetwork final : public LWaveOutQueued {
 public:
  // Null unless `format` is the link's (8 kHz mono).
  static std::unique_ptr<LWaveOutNetwork> Open(const LWavePcmFormat& format, LSignalObject& done,
                                               std::shared_ptr<LWaveNetworkLink> link);
  ~LWaveOutNetwork() override;

 private:
  LWaveOutNetwork(const LWavePcmFormat& format, LSignalObject& done,
                  std::shared_ptr<LWaveNetworkLink> link);
  void Run();

  const LWavePcmFormat format_;
  const std::shared_ptr<LWaveNetworkLink> link_;
  const LWaveTimeline timeline_;
  std::thread thread_;
};
