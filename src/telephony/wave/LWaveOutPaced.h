#pragma once

#include <memory>
#include <thread>

#include "telephony/wave/LWaveOutFileTape.h"
#include "telephony/wave/LWaveOutQueued.h"
#include "telephony/wave/LWaveTimeline.h"

// A wave-out device that plays at the pace of a timeline: the null device
// (no tape: the audio goes nowhere) and the file device (the audio goes onto
// a tape at the time it sounds). A buffer is done once its last 20 ms chunk
// has sounded (LWavePacer).
class LWaveOutPaced final : public LWaveOutQueued {
 public:
  // `tape` may be null. Its format must be the device's.
  LWaveOutPaced(const LWavePcmFormat& format, LSignalObject& done,
                std::shared_ptr<const LWaveTimeline> timeline,
                std::shared_ptr<LWaveOutFileTape> tape);
  ~LWaveOutPaced() override;

 private:
  void Run();

  const LWavePcmFormat format_;
  const std::shared_ptr<const LWaveTimeline> timeline_;
  const std::shared_ptr<LWaveOutFileTape> tape_;
  std::thread thread_;
};
