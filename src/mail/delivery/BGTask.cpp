#include "mail/delivery/BGTask.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "audio/LProgressSilent.h"
#include "core/LProcessListThread.h"
#include "core/TextFormat.h"
#include "log/LogFile.h"
#include "mail/delivery/AutoLoadCheck.h"
#include "mail/delivery/DeleteFilesCheck.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/SendCheck.h"
#include "mail/transfer/LFileTransferProtocol.h"

BGTask::BGTask(const DataFolders& folders, LogFile& log, LProcessListThread* levelling,
               DeliveryContext::Notify notify)
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
    work_.WaitSignalDual(StopSignal(), WaitMs());
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

// Recordings that the levelling list could not take (a full disk) are
// queued before delivery, which then waits for their levelling.
void BGTask::QueueUnlevelled() {
  if (!levelling_) return;
  const int queued = levelling_->AddUnwritten();
  if (queued > 0)
    log_.Log(TextFormat("%d recording(s) queued for levelling now that the list can be written", queued));
}

// The wait counts from the round's start, when the records' next try was set.
int BGTask::WaitMs() const {
  const auto waited = std::chrono::steady_clock::now() - roundStart_;
  const auto left = std::chrono::seconds(backoff_.Delay()) - waited;
  return static_cast<int>(std::max<int64_t>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
}

void BGTask::Round() {
  roundStart_ = std::chrono::steady_clock::now();
  QueueUnlevelled();
  LProgressSilent progress(&StopSignal());
  DeliveryContext context{folders_, log_, progress, levelling_, notify_};
  {
    LFileTransferProtocol ftp(progress);
    const bool failed = SendCheck(context, ftp, std::time(nullptr), backoff_.DelayIfFailed()).Run();
    backoff_.RoundEnded(failed);
    if (failed)
      log_.Log(TextFormat("Failed deliveries are tried again in %lld minute(s)",
                          static_cast<long long>(backoff_.Delay() / 60)));
    AutoLoadCheck(context, ftp, std::time(nullptr));
    ftp.Disconnect();
  }
  const std::time_t now = std::time(nullptr);
  if (deletionClock_.Trusted(now, ClockStepGuard::MonotonicNow(), log_)) DeleteFilesCheck(context, now);
}
