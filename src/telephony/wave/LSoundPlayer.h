#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/LSoundSourceBase.h"
#include "core/LThread.h"
#include "telephony/wave/LSoundLevels.h"
#include "telephony/wave/LSoundNotifyWindow.h"
#include "telephony/wave/LSoundPlayerNotify.h"
#include "telephony/wave/LSoundPlayerWaveHeader.h"
#include "telephony/wave/LWaveDevices.h"

class MainLoop;

// Plays a sound source on a wave-out device through 70 buffers of 100 ms.
// Its worker thread keeps the device fed; every notification reaches the
// owner on the main loop's thread, where the player is made, used and
// destroyed. One player serves many plays.
class LSoundPlayer final : public LThread {
 public:
  static constexpr int kBuffers = 70;
  // A held play starts sounding when this buffer is serviced (4.2 s queued).
  static constexpr int kTakeOffBuffer = 42;
  static constexpr int kMaxFailedLooks = 70;
  static constexpr int kLookMs = 150;
  static constexpr int kStallBudgetMs = 7500;
  static constexpr int kUnprepareBudgetMs = 1000;
  static constexpr int kCueGraphSize = 512;
  // Start flags.
  static constexpr uint32_t kStartPaused = 1;
  static constexpr uint32_t kStartHeld = 2;  // held until take-off
  // State word.
  static constexpr uint16_t kOpen = 1;
  static constexpr uint16_t kPaused = 2;
  static constexpr uint16_t kCueing = 4;
  static constexpr uint16_t kHeld = 8;
  static constexpr uint16_t kPriorityNotRaised = 16;

  // `owner` may be null (nothing is reported).
  LSoundPlayer(MainLoop& loop, LSoundPlayerNotify* owner, uint32_t cookie);
  ~LSoundPlayer() override;

  // The device of the next Start; the sound card's default at first.
  void SetDevice(LWaveOutOpener opener);
  bool Start(LSoundSourceRef source, uint32_t flags);
  void Stop();
  void Play();
  // Cues at the current position: a short piece loops until Play.
  void Pause();
  void Seek(int32_t frame);
  // While cueing, the peak of each of 512 slices of `spanMs` from `startMs`
  // (/2048, at most 255); otherwise zeros.
  std::array<uint8_t, kCueGraphSize> GetCueGraph(uint32_t spanMs, uint32_t startMs);

  uint16_t State() const;
  bool IsOpen() const { return (State() & kOpen) != 0; }
  // The last position played, in frames and ms (0 when closed).
  int32_t Position() const;
  uint32_t PositionMs() const;
  // The source's end as far as known, in frames and ms (0 when closed).
  int32_t EndSample() const;
  uint32_t EndMs() const;
  int32_t SampleRate() const;
  int32_t FramesPerBuffer() const;

 protected:
  void ThreadFunction() override;

 private:
  enum class Stall { kGo, kSkip, kRestart };
  enum class Serviced { kNext, kAgain, kEnd };

  // Worker.
  void LookFailed(int& failedLooks);
  Serviced Service(std::unique_lock<std::mutex>& guard, LSoundPlayerWaveHeader& current);
  Stall WaitForData(std::unique_lock<std::mutex>& guard, int32_t& available);
  void Queue(LSoundPlayerWaveHeader& current, int32_t frames);
  bool AllDone() const;
  void Advance();
  // Owner.
  bool Open(LSoundSourceRef source);
  void Close();
  void EnsureWorker();
  void ClearPositions();
  void BuildCue(LSoundLevels& levels);
  void OnNotify();
  uint32_t ToMs(int64_t frames) const;

  LSoundPlayerNotify* const owner_;
  const uint32_t cookie_;
  LWaveOutOpener opener_;
  LSignalObject bufferDone_;
  mutable std::mutex lock_;  // guards everything below
  std::unique_ptr<LWaveOutDevice> device_;
  LSoundSourceRef source_;
  std::array<LSoundPlayerWaveHeader, kBuffers> headers_;
  std::vector<int16_t> block_;
  std::vector<int32_t> conversion_;
  LSoundLevels levels_;
  int32_t frames_ = 0;
  int channels_ = 1;
  int32_t rate_ = 8000;
  int index_ = 0;
  int32_t position_ = 0;
  uint64_t epoch_ = 0;  // counts seeks and cues, which restart the worker's look
  uint16_t state_ = 0;
  bool reportStop_ = false;
  bool reportPosition_ = false;
  LSoundNotifyWindow window_;
};
