#pragma once

#include <csignal>

// Catches SIGTERM and SIGINT for the main loop while it exists. The handler
// only records the signal and writes to the loop's wake-up eventfd (both
// async-signal-safe), whichever thread the signal lands on; the loop then
// acts on it on its own thread. (libre's own handling in re_main notices a
// signal only when the loop next wakes for some other reason if the signal
// was delivered to another thread.) One instance at a time: the handler
// reaches it through process-wide state, as a signal handler must.
class StopSignals {
 public:
  explicit StopSignals(int wakeFd);
  // Restores the handlers that were there before.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The signal caught since the last call, or 0.
  static int TakePending();

 private:
  struct sigaction oldTerm_ {};
  struct sigaction oldInt_ {};
};
