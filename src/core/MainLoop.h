#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "core/LClock.h"
#include "core/LMessage.h"
#include "core/LTimerHandler.h"
#include "core/MainQueue.h"
#include "core/TimerQueue.h"
#include "core/UniqueFd.h"

class StopSignals;

// The engine's main thread: one libre event loop (re_main) carrying the
// timers of the main window and the messages posted by workers, handled one
// at a time on this thread.
//
// libre keeps its loop in process-wide state, so one MainLoop exists at a
// time: the constructor calls libre_init and the destructor libre_close
// (a second one made meanwhile is not valid: Run fails, posts are refused).
// The constructing thread is the loop thread: Run, the timer calls and
// SetMessageHandler belong to it, like every libre object. Post, PostMessage,
// Send and Stop may be called from any thread until the loop is destroyed.
// Every deadline and time-out is measured on the LClock, which must outlive
// the loop; a ManualClock's Advance wakes the loop from any thread.
// While the loop exists, SIGTERM and SIGINT arrive as WM_LSHUTDOWN for the
// message handler, or stop the loop when no handler is set.
class MainLoop {
 public:
  static constexpr uint64_t kSendTimeoutMs = 3000;

  explicit MainLoop(LClock& clock);
  ~MainLoop();
  MainLoop(const MainLoop&) = delete;
  MainLoop& operator=(const MainLoop&) = delete;

  bool IsValid() const { return valid_; }
  bool IsLoopThread() const { return std::this_thread::get_id() == loopThread_; }

  // Runs until Stop; then handles every message posted before the stop and
  // returns. Once per loop; false when the loop could not run.
  bool Run();
  // From any thread, also before Run. Later posts are refused (traced).
  void Stop();

  // One-shot timer `id` of `handler` due `ms` from now; setting a pending
  // timer again re-arms it. A handler calls KillTimers(this) before it dies.
  void SetTimer(LTimerHandler* handler, int id, uint64_t ms);
  void KillTimer(LTimerHandler* handler, int id);
  void KillTimers(LTimerHandler* handler);

  // Receives every LMessage; its result is what Send returns.
  void SetMessageHandler(std::function<int64_t(const LMessage&)> handler);

  // Queue work for the loop thread, in posting order; false once stopped.
  bool Post(std::function<void()> task);
  bool PostMessage(LMessage message);
  // Waits until the message is handled and returns the handler's result, or
  // nothing after `timeoutMs` (the message is then still handled, its result
  // dropped) or when the loop stopped. On the loop thread the message is
  // handled at once.
  std::optional<int64_t> Send(LMessage message, uint64_t timeoutMs = kSendTimeoutMs);
  // Runs `task` on the loop thread and waits as Send does; false when it did
  // not run in time (it may still run later, so it must own what it uses)
  // or the loop stopped.
  bool Call(std::function<void()> task, uint64_t timeoutMs = kSendTimeoutMs);

 private:
  bool Setup();
  bool OnLoopThread(const char* what) const;
  static void OnWakeFd(int flags, void* arg);
  static void OnTimerFd(int flags, void* arg);
  void HandleWake();
  void DispatchQueued();
  void HandleSignal(int sig);
  void Dispatch(MainQueue::Item& item);
  std::optional<int64_t> HandleMessage(const LMessage& message);
  void FireDueTimers();
  void ArmTimerFd();
  // Counts a refused post; only the first is traced, since threads still
  // running at shutdown may post many; the destructor tells how many.
  bool FirstRefusal();

  LClock& clock_;
  const std::thread::id loopThread_;
  const std::shared_ptr<MainQueue> queue_;
  UniqueFd timerFd_;
  TimerQueue timers_;
  std::optional<uint64_t> armedDeadline_;
  std::unique_ptr<StopSignals> signals_;
  std::function<int64_t(const LMessage&)> messageHandler_;
  bool ownsLibre_ = false;
  bool libreOpen_ = false;
  bool valid_ = false;
  bool ran_ = false;
  bool firing_ = false;
  std::atomic<size_t> refused_ = 0;
};
