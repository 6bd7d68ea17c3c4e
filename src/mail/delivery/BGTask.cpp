#include "mail/delivery/BGTask.h"

#include <chrono>
#include <ctime>

#include "audio/LProgressSilent.h"
#include "mail/delivery/AutoLoadCheck.h"
#include "mail/delivery/DeleteFilesCheck.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/SendCheck.h"
#include "mail/transfer/LFileTransferProtocol.h"

BGTask::BGTask(const DataFolders& folders, LogFile& log, const LProcessListThread* levelling,
               std::function<void(LMessage)> notify)
    : folders_(folders), log_(log), levelling_(levelling), notify_(std::move(notify)) {}

BGTask::~BGTask() { StopThreadTimed(kStopTimeoutMs); }

bool BGTask::Start() {
  Wake();
  return LThread::Start(kPriorityLowest);
}

void BGTask::Wake() {
  std::lock_guard guard(lock_);
  ++wakes_;
  work_.Set();
}

bool BGTask::WaitForRound(int timeoutMs) {
  std::unique_lock guard(lock_);
  const uint64_t target = wakes_;
  return roundEnded_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                              [&] { return doneWakes_ >= target; });
}

void BGTask::ThreadFunction() {
  while (true) {
    work_.WaitSignalDual(StopSignal(), kIdleWakeMs);
    if (IsToStop()) return;
    uint64_t startedFor;
    {
      std::lock_guard guard(lock_);
      startedFor = wakes_;
      work_.Reset();
    }
    Round();
    std::lock_guard guard(lock_);
    doneWakes_ = startedFor;
    roundEnded_.notify_all();
  }
}

void BGTask::Round() {
  LProgressSilent progress(&StopSignal());
  DeliveryContext context{folders_, log_, progress, levelling_, notify_};
  {
    LFileTransferProtocol ftp(progress);
    SendCheck(context, ftp, std::time(nullptr)).Run();
    AutoLoadCheck(context, ftp, std::time(nullptr));
    ftp.Disconnect();
  }
  DeleteFilesCheck(context, std::time(nullptr));
}
