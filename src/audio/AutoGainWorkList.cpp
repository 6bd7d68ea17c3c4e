#include "audio/AutoGainWorkList.h"

#include <chrono>
#include <thread>

#include "audio/AutoGainControl.h"
#include "audio/LProgressLog.h"

std::unique_ptr<LProcessListThread> MakeAutoGainWorkList(LogFile& log) {
  return std::make_unique<LProcessListThread>([&log](const std::string& path) {
    LProgressLog progress(log, LProcessListThread::WorkerStopSignal());
    return static_cast<int>(AutoGainControl::Process(path, progress, &log));
  });
}

bool FinishAutoGainWork(LProcessListThread& list, int timeoutMs) {
  constexpr int kLookMs = 20;
  for (int waited = 0; list.IsRunning(); waited += kLookMs) {
    if (waited >= timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kLookMs));
  }
  return true;
}
