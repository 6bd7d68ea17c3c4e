#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"
#include "core/LThread.h"
#include "telephony/wave/LSoundLevels.h"
#include "telephony/wave/LSoundNotifyWindow.h"
#include "telephony/wave/LSoundRecorderNotify.h"
#include "telephony/wave/LWaveDevices.h"

class MainLoop;

// Records from a wave-in device into a sound sink through 30 buffers of
// 100 ms, with voice-activated start and stop: while waiting nothing is
// written until a block reaches the threshold (about 50 ms before the onset
// is kept); while recording, a quiet stretch longer than the hang-over goes
// back to waiting and is cut. Its worker thread owns the device; every
// notification reaches the owner on the main loop's thread, where the
// recorder is made, used and destroyed.
class LSoundRecorder final : public LThread {
 public:
  static constexpr int kBuffers = 30;
  static constexpr int kStartWaitMs = 700;
  // Audio kept after the last loud block when recording stops, and after it
  // when a recording falls back to waiting.
  static constexpr uint32_t kStopTailMs = 50;
  static constexpr uint32_t kWaitTailMs = 450;
  // Start flags.
  static constexpr uint32_t kStartHeld = 1;       // the device starts at Go
  static constexpr uint32_t kStartRecording = 2;  // no waiting for voice
  enum State : uint32_t { kStopped = 0, kWaiting = 1, kRecording = 2 };

  // `owner` may be null (nothing is reported).
  LSoundRecorder(MainLoop& loop, LSoundRecorderNotify* owner, uint32_t cookie);
  ~LSoundRecorder() override;

  // The device of the next Start; the sound card's default at first.
  void SetDevice(LWaveInOpener opener);
  // maxMs 0: no maximum. A threshold of -127 records every block.
  bool Start(LSoundSinkRef sink, uint32_t flags, uint32_t hangOverMs, int8_t threshold,
             uint32_t maxMs);
  // Releases a start held by kStartHeld.
  void Go() { go_.Set(); }
  void Stop();
  // Cuts the quiet tail and goes on in waiting state on the same sink.
  bool StartPausedResume();

  State GetState() const { return state_.load(); }
  // The sink's length in ms at the last loud block.
  uint32_t Mark() const { return mark_.load(); }
  int8_t ReleaseLevel() const { return release_; }

 protected:
  void ThreadFunction() override;

 private:
  bool Launch();
  // Cuts the sink to kStopTailMs after the mark.
  void TruncateTail();
  void Close(bool notify);
  void OnNotify();
  uint32_t SinkMs() const;
  int32_t MsToFrames(uint32_t ms) const;
  // Worker.
  void Prepare(LWaveInDevice& device);
  void Process(LWaveInDevice& device, LWaveHeader& header);
  void Recording(int32_t frames, int8_t level);
  void Waiting(int32_t frames, int8_t level);
  void Convert(const LWaveHeader& header, int32_t frames);
  void WriteRemaining(int index);

  LSoundRecorderNotify* const owner_;
  const uint32_t cookie_;
  LWaveInOpener opener_;
  // Set by the owner while no worker runs; read by the worker.
  LSoundSinkRef sink_;
  int channels_ = 1;
  uint32_t rate_ = 44100;
  uint32_t maxMs_ = 0;
  int8_t threshold_ = 0;
  int8_t release_ = 0;
  uint32_t hangOverMs_ = 0;
  LSignalObject started_;
  LSignalObject go_;
  LSignalObject event_;
  // Shared between the worker and the owner's thread.
  std::atomic<State> state_{kStopped};
  std::atomic<uint32_t> mark_{0};
  std::atomic<bool> maxReached_{false};
  std::atomic<bool> reportLevel_{false};
  std::atomic<bool> reportState_{false};
  std::atomic<uint64_t> runs_{0};  // counts stops, so a report knows its run ended
  mutable std::mutex levelsLock_;
  LSoundLevels levels_;
  // The worker's own, allocated once per run.
  std::array<LWaveHeader, kBuffers> headers_;
  std::vector<int16_t> block_;
  std::vector<int32_t> work_;
  std::vector<int32_t> preroll_;
  int32_t frames_ = 0;
  int32_t prerollFrames_ = 0;
  bool prerollValid_ = false;
  LSoundNotifyWindow window_;
};
