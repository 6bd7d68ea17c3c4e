#pragma once

#include <chrono>

#include "audio/LProgress.h"
#include "audio/LProgressProcess.h"

// Waits on a descriptor in short slices until one time-out is used up,
// testing the progress's stop request before every slice, so a stop is
// noticed within one slice while a slow peer still gets the whole time.
class SliceWaiter {
 public:
  SliceWaiter(LProgress& progress, int sliceMs, int timeoutMs);

  // Until `fd` reports one of `events` (poll flags), an error or hang-up
  // (the next operation finds out which): done, cancelled, or failed when
  // the time is up or poll fails.
  ProcessResult Wait(int fd, short events);

 private:
  int NextSliceMs() const;

  LProgress& progress_;
  int sliceMs_;
  std::chrono::steady_clock::time_point deadline_;
};
