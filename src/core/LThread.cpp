#include "core/LThread.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "core/Trace.h"

namespace {

void SetNice(pid_t tid, int nice) {
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
}

bool SetPolicy(pid_t tid, int policy, int level) {
  sched_param param{};
  param.sched_priority = level;
  return ::sched_setscheduler(tid, policy, &param) == 0;
}

// The nice value of the main thread: what "normal" means for this process.
int ProcessNice() {
  errno = 0;
  int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::getpid()));
  return errno == 0 ? nice : 0;
}

// Maps the platform scale onto Linux: lower priorities become nice values
// (per thread on Linux); time-critical asks for the lowest real-time level,
// else a raised nice value. Raising needs privileges (CAP_SYS_NICE or
// RLIMIT_NICE/RLIMIT_RTPRIO); without them the thread silently keeps what it
// has, which is expected for a desktop user and not worth a trace per call.
void ApplyPriority(pid_t tid, int priority) {
  if (priority >= LThread::kPriorityTimeCritical) {
    if (SetPolicy(tid, SCHED_RR, ::sched_get_priority_min(SCHED_RR))) return;
    SetNice(tid, -10);
    return;
  }
  if (::sched_getscheduler(tid) != SCHED_OTHER) SetPolicy(tid, SCHED_OTHER, 0);
  int nice = priority <= LThread::kPriorityLowest        ? 19
             : priority == LThread::kPriorityBelowNormal ? 10
             : priority == LThread::kPriorityNormal      ? ProcessNice()
                                                         : -5;
  SetNice(tid, nice);
}

}  // namespace

// What the thread co-owns: it outlives the object when the thread is detached.
struct LThread::Control {
  Control(const LThread* ownerIn, int priorityIn, std::shared_ptr<void> stateIn)
      : owner(ownerIn), state(std::move(stateIn)), priority(priorityIn) {}

  void Begin() {
    std::lock_guard<std::mutex> guard(lock);
    tid = ::gettid();
    ApplyPriority(tid, priority);
  }
  void End() {
    std::lock_guard<std::mutex> guard(lock);
    finished = true;
    ended.notify_all();
  }
  bool Finished() {
    std::lock_guard<std::mutex> guard(lock);
    return finished;
  }
  bool WaitEnded(int timeoutMs) {
    std::unique_lock<std::mutex> guard(lock);
    auto done = [this] { return finished; };
    if (timeoutMs < 0) {
      ended.wait(guard, done);
      return true;
    }
    return ended.wait_for(guard, std::chrono::milliseconds(timeoutMs), done);
  }
  void SetPriority(int value) {
    std::lock_guard<std::mutex> guard(lock);
    priority = value;
    if (tid != 0 && !finished) ApplyPriority(tid, priority);
  }

  const LThread* const owner;  // compared, never dereferenced
  LSignalObject stop;
  const std::shared_ptr<void> state;
  std::mutex lock;  // guards the fields below
  std::condition_variable ended;
  bool finished = false;
  pid_t tid = 0;
  int priority;
};

thread_local LThread::Control* LThread::running_ = nullptr;

LThread::LThread() : control_(std::make_shared<Control>(this, kPriorityNormal, nullptr)) {}

LThread::~LThread() {
  if (IsRunning()) Trace("LThread::~LThread worker still running: its destructor must stop it");
  StopThreadTimed(kStopTimeoutMs);
}

bool LThread::Start(int priority) {
  std::lock_guard<std::mutex> guard(lock_);
  if (thread_.joinable()) {
    if (!control_->Finished()) {
      Trace("LThread::Start Thread is already running!");
      return false;
    }
    thread_.join();
  }
  // A fresh control block each run: a detached earlier body keeps its own.
  auto control = std::make_shared<Control>(this, priority, ShareThreadState());
  try {
    thread_ = std::thread(&LThread::Run, control, this);
  } catch (const std::system_error&) {
    Trace("LThread::Start Unable to CreateThread FAILED");
    return false;
  }
  control_ = std::move(control);
  return true;
}

void LThread::Run(std::shared_ptr<Control> control, LThread* self) {
  running_ = control.get();
  control->Begin();
  self->ThreadFunction();
  // From here on only the control block: the object may be gone.
  running_ = nullptr;
  control->End();
}

void LThread::SetCallerPriority(int priority) { ApplyPriority(::gettid(), priority); }

LThread::Control* LThread::OwnRun() const {
  return running_ && running_->owner == this ? running_ : nullptr;
}

bool LThread::IsRunning() const {
  if (OwnRun()) return true;
  std::lock_guard<std::mutex> guard(lock_);
  return thread_.joinable() && !control_->Finished();
}

bool LThread::IsToStop() const {
  if (Control* own = OwnRun()) return own->stop.IsSet();
  std::lock_guard<std::mutex> guard(lock_);
  return control_->stop.IsSet();
}

void LThread::SetPriority(int priority) {
  if (Control* own = OwnRun()) return own->SetPriority(priority);
  std::lock_guard<std::mutex> guard(lock_);
  if (thread_.joinable()) control_->SetPriority(priority);
}

void* LThread::CurrentThreadState() {
  return running_->state.get();
}

const LSignalObject& LThread::StopSignal() {
  return running_->stop;
}

void LThread::StopThreadTimed(int timeoutMs) {
  if (Control* own = OwnRun()) {
    // A body stopping its own run cannot wait for itself; let it go.
    own->stop.Set();
    std::lock_guard<std::mutex> guard(lock_);
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) thread_.detach();
    return;
  }
  std::shared_ptr<Control> control;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!thread_.joinable()) return;
    control = control_;
  }
  control->stop.Set();
  // Waits without lock_, so other threads can still ask IsRunning meanwhile.
  bool ended = control->WaitEnded(timeoutMs);
  std::lock_guard<std::mutex> guard(lock_);
  if (control_ != control || !thread_.joinable()) return;  // another caller did it
  if (ended) {
    thread_.join();
    return;
  }
  Trace("LThread::StopThreadTimed TimeOut ERROR");
  thread_.detach();
}
