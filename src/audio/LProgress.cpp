#include "audio/LProgress.h"

#include <algorithm>
#include <chrono>
#include <thread>

bool LProgress::CancellableSleep(int ms) {
  if (IsCancelled()) return false;
  while (ms > 0) {
    int slice = std::min(ms, kSleepSliceMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    ms -= slice;
    if (IsCancelled()) return false;
  }
  return true;
}
