#pragma once

#include <memory>
#include <mutex>
#include <thread>

#include "core/LSignalObject.h"

// Base of every worker thread. Workers stop cooperatively: the owner raises
// the stop signal, the body (ThreadFunction) tests IsToStop() between units
// of work and returns.
//
// Contract for derived workers:
// - Every derived destructor calls StopThreadTimed(kStopTimeoutMs) first. The
//   base destructor stops too, but it runs after the derived members are gone.
// - A thread cannot be killed safely, so a body that ignores the stop signal
//   past the time-out is detached and may outlive its object. The wrapper
//   keeps its own bookkeeping (stop signal, finished flag) in a control block
//   the thread co-owns and never touches the object after the body returns.
//   A body that may outlive its object keeps its working data in a state it
//   hands over through ShareThreadState(), and uses only ThreadState<T>()
//   and StopSignal(): both are static and read the thread's own control
//   block. (IsToStop() reads that block too, but is a call on the object.)
//   Any other body must bound its blocking calls well under the time-out.
class LThread {
 public:
  // The platform's priority scale; any value in between is accepted.
  enum Priority : int {
    kPriorityLowest = -2,
    kPriorityBelowNormal = -1,
    kPriorityNormal = 0,  // the process's own (its main thread's nice value)
    kPriorityHighest = 2,
    kPriorityTimeCritical = 15,
  };
  // The grace every owner gives a worker before giving up on it.
  static constexpr int kStopTimeoutMs = 5000;

  LThread();
  virtual ~LThread();
  LThread(const LThread&) = delete;
  LThread& operator=(const LThread&) = delete;

  // Starts a fresh thread running ThreadFunction. False when the previous
  // thread is still running (nothing changes) or no thread could be created.
  // A priority the system refuses is left as it was, never a failure.
  bool Start(int priority);
  // True while a started thread has not yet returned from ThreadFunction.
  bool IsRunning() const;
  // True once the stop signal is set. Called by a body, it answers for that
  // body's own run, even after a detach and a newer Start.
  bool IsToStop() const;
  // Sets the stop signal and waits up to `timeoutMs` (negative: no limit) for
  // the thread to end; a thread that does not end is detached. Either way
  // the object is idle afterwards. Returns at once when nothing was started.
  void StopThreadTimed(int timeoutMs);
  // Changes the priority of the running thread, from its owner or its body.
  void SetPriority(int priority);
  // Changes the priority of the calling thread (the engine's main thread).
  static void SetCallerPriority(int priority);

 protected:
  virtual void ThreadFunction() = 0;
  // Called by Start on the starting thread: the state returned here is
  // co-owned by the new thread until its body returns.
  virtual std::shared_ptr<void> ShareThreadState() { return nullptr; }
  // Inside a body only: the state handed over by ShareThreadState() at Start.
  template <class T>
  static T& ThreadState() {
    return *static_cast<T*>(CurrentThreadState());
  }
  // Inside a body only: the stop signal of this run (for WaitSignalDual).
  static const LSignalObject& StopSignal();

 private:
  struct Control;
  static void Run(std::shared_ptr<Control> control, LThread* self);
  static void* CurrentThreadState();
  // This object's run on the calling thread, when called from its body.
  Control* OwnRun() const;

  // The control block of the body running on this thread, if any: a body
  // reaches its own run's bookkeeping even after a detach and a newer Start,
  // and never waits for lock_ (its owner may hold it while stopping it).
  static thread_local Control* running_;

  // Guards thread_ and control_: owners may start and stop from any thread.
  mutable std::mutex lock_;
  std::thread thread_;
  std::shared_ptr<Control> control_;
};
