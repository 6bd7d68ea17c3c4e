#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include "core/LMessage.h"
#include "core/LSignalObject.h"
#include "core/LThread.h"
#include "mail/delivery/ClockStepGuard.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/RetryBackoff.h"

class DataFolders;
class LogFile;
class LProcessListThread;

// The delivery task: one low-priority worker that, whenever it is woken and
// at least hourly (sooner after a failed delivery, see RetryBackoff),
// delivers new messages by e-mail, FTP and folder copy, checks for a new IVR
// program and deletes old messages (once the clock can be trusted, see
// ClockStepGuard). Each round first queues for levelling the recordings the
// full list could not take. Wake-ups during a round are merged into one more
// round.
class BGTask final : public LThread {
 public:
  // `notify` reaches the main window (removed messages, programs to load);
  // it must not block for long (the engine gives it 3000 ms) and returns the
  // answer (a program to load counts as handed over when it is 0).
  BGTask(const DataFolders& folders, LogFile& log, LProcessListThread* levelling,
         DeliveryContext::Notify notify);
  ~BGTask() override;

  // Starts the worker at the lowest priority; the first round runs at once.
  bool Start();
  // Asks for one more round (a message arrived, messages were moved, the
  // remote update settings changed).
  void Wake();
  // Waits until a round that began after the latest Wake has ended. False
  // after `timeoutMs`.
  bool WaitForRound(int timeoutMs);

 protected:
  void ThreadFunction() override;

 private:
  void Round();
  void QueueUnlevelled();
  // Until the next round is due.
  int WaitMs() const;

  const DataFolders& folders_;
  LogFile& log_;
  LProcessListThread* levelling_;
  const DeliveryContext::Notify notify_;
  LSignalObject work_;
  std::mutex lock_;
  std::condition_variable roundEnded_;
  uint64_t wakes_ = 0;
  uint64_t doneWakes_ = 0;
  RetryBackoff backoff_;
  std::chrono::steady_clock::time_point roundStart_ = std::chrono::steady_clock::now();
  ClockStepGuard deletionClock_{std::time(nullptr), ClockStepGuard::MonotonicNow()};
};
