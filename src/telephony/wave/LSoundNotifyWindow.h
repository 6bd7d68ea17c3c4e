#pragma once

#include <atomic>
#include <functional>
#include <memory>

class MainLoop;

// Carries a worker's "something to report" to its owner's thread: Post may
// be called from any thread and runs the handler later on the main loop's
// thread. Posts made while one is pending fold into it; the handler reads
// the worker's report flags, so nothing is lost. Made and destroyed on the
// loop thread; a post still pending then is dropped. A handler must not
// destroy the object it belongs to.
class LSoundNotifyWindow {
 public:
  LSoundNotifyWindow(MainLoop& loop, std::function<void()> handler);
  ~LSoundNotifyWindow();
  LSoundNotifyWindow(const LSoundNotifyWindow&) = delete;
  LSoundNotifyWindow& operator=(const LSoundNotifyWindow&) = delete;

  // False when the loop cannot deliver (not running its thread any more).
  bool IsValid() const;
  void Post();

 private:
  struct Shared {
    std::atomic<bool> pending{false};
    std::function<void()> handler;
  };

  MainLoop& loop_;
  std::shared_ptr<Shared> shared_;
};
