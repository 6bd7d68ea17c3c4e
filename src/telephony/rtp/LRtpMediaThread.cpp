#include "telephony/rtp/LRtpMediaThread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/LClock.h"
#include "core/Trace.h"
#include "telephony/rtp/LRtpMedia.h"

namespace {

// Above ordinary threads, below the kernel's own real-time work.
constexpr int kRealTimePriority = 10;

// Shown by top -H and profilers, and read by the load benchmark.
constexpr char kThreadName[] = "rtp-media";

void RaisePriority() {
  sched_param param{};
  param.sched_priority = kRealTimePriority;
  const int err = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
  if (err) Trace("LRtpMediaThread runs without real-time priority: %s", std::strerror(err));
}

}  // namespace

LRtpMediaThread::LRtpMediaThread(const LClock& clock)
    : clock_(clock), thread_([this] { Run(); }) {}

LRtpMediaThread::~LRtpMediaThread() {
  {
    std::lock_guard<PiMutex> guard(lock_);
    stopping_ = true;
  }
  changed_.notify_one();
  thread_.join();
}

void LRtpMediaThread::Add(LRtpMedia& media) {
  {
    std::lock_guard<PiMutex> guard(lock_);
    media_.push_back(&media);
  }
  changed_.notify_one();
}

void LRtpMediaThread::Remove(LRtpMedia& media) {
  std::lock_guard<PiMutex> guard(lock_);
  media_.erase(std::remove(media_.begin(), media_.end(), &media), media_.end());
}

// The lock is held while ticking, so Remove waits for the round to end.
void LRtpMediaThread::Run() {
  pthread_setname_np(pthread_self(), kThreadName);
  RaisePriority();
  std::unique_lock<PiMutex> lock(lock_);
  while (!stopping_) {
    WaitForSlot(lock);
    if (stopping_) return;
    // Taken before the round: one that runs past the next slot is followed
    // at once, not a whole slot later.
    nextDueMs_ = (clock_.TickCount() / kSlotMs + 1) * kSlotMs;
    for (LRtpMedia* media : media_) media->Tick();
  }
}

// Until the slot after the last round's, or while there is nothing to tick.
void LRtpMediaThread::WaitForSlot(std::unique_lock<PiMutex>& lock) {
  changed_.wait(lock, [this] { return stopping_ || !media_.empty(); });
  uint64_t now = clock_.TickCount();
  while (!stopping_ && now < nextDueMs_) {
    changed_.wait_for(lock, std::chrono::milliseconds(nextDueMs_ - now));
    now = clock_.TickCount();
  }
}
