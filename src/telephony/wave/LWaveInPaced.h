#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/LSoundSourceBase.h"
#include "telephony/wave/LWaveInDevice.h"
#include "telephony/wave/LWaveQueue.h"
#include "telephony/wave/LWaveTimeline.h"

// A wave-in device that records at the pace of a timeline: the null device
// hears silence, the file device hears a WAVE file as its microphone, from
// the file's start at the timeline's start, and silence after its end.
// Whenever recording (re)starts it hears what the file holds at that moment
// of the timeline.
class LWaveInPaced final : public LWaveInDevice {
 public:
  // Null when the file cannot be read (traced). An empty path is silence.
  static std::unique_ptr<LWaveInPaced> Open(const LWavePcmFormat& format, LSignalObject& done,
                                            std::shared_ptr<const LWaveTimeline> timeline,
                                            const std::string& path);
  ~LWaveInPaced() override;

  bool AddBuffer(LWaveHeader& header) override { return queue_.Add(header); }
  void Start() override { queue_.SetRunning(true); }
  void Stop() override;
  void Reset() override;

 private:
  LWaveInPaced(const LWavePcmFormat& format, LSignalObject& done,
               std::shared_ptr<const LWaveTimeline> timeline, LSoundSourceRef file);
  void Run();
  // Sets up the converted chain at the file's frame for the timeline's now.
  void Follow();
  void Fill(int16_t* pcm, uint32_t frames);

  const LWavePcmFormat format_;
  const std::shared_ptr<const LWaveTimeline> timeline_;
  // Used by the device thread only, after construction.
  LSoundSourceRef file_;
  LSoundSourceRef chain_;
  std::vector<int32_t> scratch_;
  LWaveQueue queue_;
  std::thread thread_;
};
