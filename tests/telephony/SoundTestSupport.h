#pragma once

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "audio/LSoundSinkBase.h"
#include "audio/TestSources.h"
#include "core/MainLoop.h"
#include "core/SystemClock.h"
#include "telephony/wave/LSoundPlayerNotify.h"
#include "telephony/wave/LSoundRecorderNotify.h"
#include "telephony/wave/LWaveDevices.h"
#include "telephony/wave/LWaveQueue.h"

// The main loop on the test thread: each step is called on the loop thread
// every millisecond until it returns true, then the next one. True when
// every step finished in time; the default time only bounds a failing run,
// so it leaves a busy machine plenty.
class LoopRunner final : public LTimerHandler {
 public:
  using Step = std::function<bool()>;

  bool Run(std::vector<Step> steps, int timeoutMs = 20000) {
    steps_ = std::move(steps), next_ = 0;
    deadline_ = clock_.TickCount() + static_cast<uint64_t>(timeoutMs);
    loop.SetTimer(this, 0, 0);
    loop.Run();
    loop.KillTimers(this);
    return next_ == steps_.size();
  }
  void OnTimer(int) override {
    while (next_ < steps_.size() && steps_[next_]()) ++next_;
    if (next_ == steps_.size() || clock_.TickCount() >= deadline_) return loop.Stop();
    loop.SetTimer(this, 0, 1);
  }

  SystemClock clock_;  // before the loop, which runs on it
  MainLoop loop{clock_};

 private:
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  uint64_t deadline_ = 0;
};

// What the tests see of a fake device: it lives as long as the test, the
// device only while a player or recorder has it open.
struct FakeDeviceState {
  std::mutex lock;
  LWaveQueue* queue = nullptr;  // the open device's queue
  std::atomic<int> restarts{0}, writes{0};
  std::atomic<int> played{0};  // buffers sounded
  // What the last Restart found, taken on the player's thread as it happens.
  std::atomic<int> writesAtRestart{0}, playedAtRestart{0};
  std::atomic<uint32_t> firstLength{0};
  bool autoPlay = false;  // output: every written buffer sounds at once
  bool failOpen = false;

  // Output: sounds `count` whole buffers (a loop pass counts as one).
  int Play(int count) {
    std::lock_guard<std::mutex> guard(lock);
    int now = 0;
    for (LWaveQueue::Chunk chunk; queue && now < count && (chunk = queue->Acquire(UINT32_MAX, 0)); ++now) {
      queue->Release(chunk.size);
    }
    played += now;
    return now;
  }
  // Input: records `pcm` into the next buffer, which a shorter `pcm` fills in part.
  bool Feed(const std::vector<int16_t>& pcm) {
    std::lock_guard<std::mutex> guard(lock);
    LWaveQueue::Chunk chunk = queue ? queue->Acquire(UINT32_MAX, 0) : LWaveQueue::Chunk{};
    if (!chunk) return false;
    const uint32_t bytes = std::min<uint32_t>(chunk.size, static_cast<uint32_t>(pcm.size() * 2));
    std::memcpy(chunk.bytes, pcm.data(), bytes);
    queue->Release(bytes);
    return true;
  }
  // Zero once the device is closed.
  uint32_t QueuedBytes() {
    std::lock_guard<std::mutex> guard(lock);
    return queue ? queue->QueuedBytes() : 0;
  }
  void Attach(LWaveQueue* open) {
    std::lock_guard<std::mutex> guard(lock);
    queue = open;
  }
};

// Both fake devices: a queue the state can reach while the device is open.
template <class Device>
class FakeDevice : public Device {
 public:
  using Base = Device;
  FakeDevice(LWaveQueue::Direction direction, LSignalObject& done, std::shared_ptr<FakeDeviceState> state)
      : state_(std::move(state)), queue_(direction, done, direction == LWaveQueue::Direction::kOut) {
    state_->Attach(&queue_);
  }
  ~FakeDevice() override { state_->Attach(nullptr); queue_.ReturnAll(); }

 protected:
  std::shared_ptr<FakeDeviceState> state_;
  LWaveQueue queue_;
};

class FakeWaveOut final : public FakeDevice<LWaveOutDevice> {
 public:
  FakeWaveOut(LSignalObject& done, std::shared_ptr<FakeDeviceState> state)
      : FakeDevice(LWaveQueue::Direction::kOut, done, std::move(state)) {}
  bool Write(LWaveHeader& header) override {
    if (state_->writes++ == 0) state_->firstLength = header.bufferLength;
    if (!queue_.Add(header)) return false;
    LWaveQueue::Chunk chunk;
    if (state_->autoPlay && (chunk = queue_.Acquire(UINT32_MAX, 0))) queue_.Release(chunk.size), ++state_->played;
    return true;
  }
  void Pause() override { queue_.SetRunning(false); }
  void Restart() override {
    state_->writesAtRestart = state_->writes.load();
    state_->playedAtRestart = state_->played.load();
    ++state_->restarts;
    queue_.SetRunning(true);
  }
  void Reset() override { queue_.ReturnAll(); queue_.SetRunning(true); }
  void BreakLoop() override { queue_.BreakLoop(); }
  uint32_t QueuedBytes() const override { return queue_.QueuedBytes(); }
};

class FakeWaveIn final : public FakeDevice<LWaveInDevice> {
 public:
  FakeWaveIn(LSignalObject& done, std::shared_ptr<FakeDeviceState> state)
      : FakeDevice(LWaveQueue::Direction::kIn, done, std::move(state)) {}
  bool AddBuffer(LWaveHeader& header) override { return queue_.Add(header); }
  void Start() override { queue_.SetRunning(true); }
  void Stop() override { queue_.SetRunning(false); queue_.ReturnPartial(); }
  void Reset() override { queue_.SetRunning(false); queue_.ReturnAll(); }
};

template <class Fake, class Base = typename Fake::Base>
std::function<std::unique_ptr<Base>(const LWavePcmFormat&, LSignalObject&, bool)> FakeOpener(
    std::shared_ptr<FakeDeviceState> state) {
  return [state](const LWavePcmFormat&, LSignalObject& done, bool) -> std::unique_ptr<Base> {
    return state->failOpen ? nullptr : std::make_unique<Fake>(done, state);
  };
}
inline LWaveOutOpener FakeOutOpener(std::shared_ptr<FakeDeviceState> s) { return FakeOpener<FakeWaveOut>(s); }
inline LWaveInOpener FakeInOpener(std::shared_ptr<FakeDeviceState> s) { return FakeOpener<FakeWaveIn>(s); }

// Writes every notification down as text (with the cookie unless it is 7).
class NotifyLog final : public LSoundPlayerNotify, public LSoundRecorderNotify {
 public:
  void spntfPlay(uint32_t cookie) override { Note("Play", cookie); }
  void spntfStop(uint32_t cookie) override { Note("Stop", cookie); }
  void spntfPause(uint32_t cookie) override { Note("Pause", cookie); }
  void spntfStartPaused(uint32_t cookie) override { Note("StartPaused", cookie); }
  void spntfPosition(uint32_t cookie, uint32_t ms) override { Note("Position " + std::to_string(ms), cookie); }
  void spntfLevel(uint32_t cookie, const LSoundLevels& levels) override { Level(cookie, levels); }
  void srntfRecord(uint32_t cookie) override { Note("Record", cookie); }
  void srntfWait(uint32_t cookie) override { Note("Wait", cookie); }
  void srntfStop(uint32_t cookie) override { Note("Stop", cookie); }
  void srntfTime(uint32_t cookie, uint32_t ms) override { Note("Time " + std::to_string(ms), cookie); }
  void srntfLevel(uint32_t cookie, const LSoundLevels& levels) override { Level(cookie, levels); }

  bool Has(const std::string& text) const { return std::find(heard.begin(), heard.end(), text) != heard.end(); }

  std::vector<std::string> heard;
  LSoundLevels lastLevels;

 private:
  void Level(uint32_t cookie, const LSoundLevels& levels) { lastLevels = levels; Note("Level", cookie); }
  void Note(const std::string& text, uint32_t cookie) {
    heard.push_back(cookie == 7 ? text : text + " (cookie " + std::to_string(cookie) + ")");
  }
};
