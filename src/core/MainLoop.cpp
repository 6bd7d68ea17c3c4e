#include "core/MainLoop.h"

#include <re.h>
#include <sys/resource.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstring>

#include "core/MainMessages.h"
#include "core/StopSignals.h"
#include "core/Trace.h"

namespace {

// libre's loop is process-wide state, so at most one MainLoop owns it.
std::atomic<bool> libreTaken{false};

// Messages handled per wake-up at most, and the time after which the rest
// wait for the next round: sockets and timers get their turn in between, so
// a burst of slow messages (many calls starting their messages at once) does
// not hold up a key that arrives meanwhile.
constexpr size_t kMessageBatch = 256;
constexpr auto kWakeBudget = std::chrono::milliseconds(2);
// The timerfd is re-armed after a day at the latest; longer timers just wait
// another round.
constexpr uint64_t kMaxArmMs = 24ull * 3600 * 1000;

// The process's soft descriptor limit raised to its hard limit; the limit
// now in force.
int RaiseOpenFileLimit() {
  constexpr rlim_t kMost = 1 << 20;
  rlimit files{};
  if (::getrlimit(RLIMIT_NOFILE, &files) != 0) return 1024;
  if (files.rlim_cur < files.rlim_max) {
    rlimit raised = files;
    raised.rlim_cur = raised.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
      files = raised;
    else
      Trace("MainLoop raising the descriptor limit FAILED: %s", std::strerror(errno));
  }
  return static_cast<int>(std::min(files.rlim_cur, kMost));
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

}  // namespace

MainLoop::MainLoop(LClock& clock)
    : clock_(clock),
      loopThread_(std::this_thread::get_id()),
      queue_(std::make_shared<MainQueue>()) {
  valid_ = Setup();
  if (!valid_) queue_->Shutdown();
}

bool MainLoop::Setup() {
  if (queue_->WakeFd() < 0) return false;
  if (libreTaken.exchange(true)) {
    Trace("MainLoop another main loop exists FAILED");
    return false;
  }
  ownsLibre_ = true;
  if (const int err = libre_init()) {
    Trace("MainLoop libre_init FAILED: %s", std::strerror(err));
    return false;
  }
  libreOpen_ = true;
  // As many descriptors as the process may open: libre's default of 1024
  // lets a pile of idle connections take the sockets new calls need.
  if (const int err = fd_setsize(RaiseOpenFileLimit()))
    Trace("MainLoop fd_setsize FAILED: %s", std::strerror(err));
  // A timerfd on the monotonic clock, not a libre tmr: libre 1.1.0 measures
  // its timers with gettimeofday, so a wall-clock step would delay them.
  timerFd_.Reset(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC));
  if (!timerFd_.Valid()) {
    Trace("MainLoop timerfd_create FAILED: %s", std::strerror(errno));
    return false;
  }
  int err = fd_listen(queue_->WakeFd(), FD_READ, OnWakeFd, this);
  if (!err) err = fd_listen(timerFd_.Get(), FD_READ, OnTimerFd, this);
  if (err) {
    Trace("MainLoop fd_listen FAILED: %s", std::strerror(err));
    return false;
  }
  signals_ = std::make_unique<StopSignals>(queue_->WakeFd());
  // The listener holds the queue, not the loop: a clock may call a copy of it
  // on another thread just after the loop is gone.
  clock_.SetJumpListener([queue = queue_] {
    queue->Wake();
    queue->NotifyWaiters();
  });
  return true;
}

MainLoop::~MainLoop() {
  if (valid_) clock_.SetJumpListener(nullptr);
  signals_.reset();
  if (const size_t dropped = queue_->Shutdown())
    Trace("MainLoop %zu messages dropped at exit", dropped);
  if (refused_ > 1) Trace("MainLoop %zu posts refused after the loop stopped", refused_.load());
  if (libreOpen_) {
    fd_close(queue_->WakeFd());
    if (timerFd_.Valid()) fd_close(timerFd_.Get());
    libre_close();
  }
  if (ownsLibre_) libreTaken.store(false);
}

bool MainLoop::Run() {
  if (!OnLoopThread("Run")) return false;
  if (!valid_) {
    Trace("MainLoop::Run no main loop FAILED");
    return false;
  }
  if (ran_) {
    Trace("MainLoop::Run called again FAILED");
    return false;
  }
  ran_ = true;
  // Handles what was posted before Run, and a Stop that came first.
  queue_->Wake();
  const int err = re_main(nullptr);
  if (err) Trace("MainLoop::Run re_main FAILED: %s", std::strerror(err));
  if (const size_t dropped = queue_->Shutdown())
    Trace("MainLoop::Run %zu messages dropped", dropped);
  return err == 0;
}

void MainLoop::Stop() { queue_->Close(); }

void MainLoop::SetTimer(LTimerHandler* handler, int id, uint64_t ms) {
  if (!OnLoopThread("SetTimer")) return;
  if (!handler) {
    Trace("MainLoop::SetTimer %d without handler FAILED", id);
    return;
  }
  timers_.Set(handler, id, SaturatingAdd(clock_.TickCount(), ms));
  ArmTimerFd();
}

void MainLoop::KillTimer(LTimerHandler* handler, int id) {
  if (!OnLoopThread("KillTimer")) return;
  if (timers_.Kill(handler, id)) ArmTimerFd();
}

void MainLoop::KillTimers(LTimerHandler* handler) {
  if (!OnLoopThread("KillTimers")) return;
  timers_.KillAll(handler);
  ArmTimerFd();
}

void MainLoop::SetMessageHandler(std::function<int64_t(const LMessage&)> handler) {
  if (OnLoopThread("SetMessageHandler")) messageHandler_ = std::move(handler);
}

bool MainLoop::Post(std::function<void()> task) {
  if (!task) {
    Trace("MainLoop::Post empty task FAILED");
    return false;
  }
  if (queue_->Push({std::move(task), {}, nullptr})) return true;
  if (FirstRefusal()) Trace("MainLoop::Post main loop stopped, task dropped; later ones counted");
  return false;
}

bool MainLoop::PostMessage(LMessage message) {
  const uint32_t id = message.id;
  if (queue_->Push({nullptr, std::move(message), nullptr})) return true;
  if (FirstRefusal()) {
    Trace("MainLoop::PostMessage main loop stopped, message %u dropped; later ones counted", id);
  }
  return false;
}

bool MainLoop::FirstRefusal() { return refused_.fetch_add(1) == 0; }

std::optional<int64_t> MainLoop::Send(LMessage message, uint64_t timeoutMs) {
  if (IsLoopThread()) return HandleMessage(message);
  const uint32_t id = message.id;
  // Held here, so a loop destroyed meanwhile releases this wait safely.
  const std::shared_ptr<MainQueue> queue = queue_;
  const LClock& clock = clock_;
  // Shared with the queued item, so a late reply never touches this frame.
  auto reply = std::make_shared<MainQueue::Reply>();
  if (!queue->Push({nullptr, std::move(message), reply})) {
    Trace("MainLoop::Send main loop stopped, message %u dropped", id);
    return std::nullopt;
  }
  if (!queue->WaitReply(*reply, clock, timeoutMs)) {
    Trace("MainLoop::Send message %u not handled within %llu ms", id,
          static_cast<unsigned long long>(timeoutMs));
    return std::nullopt;
  }
  return reply->result;
}

bool MainLoop::Call(std::function<void()> task, uint64_t timeoutMs) {
  if (IsLoopThread()) {
    task();
    return true;
  }
  const std::shared_ptr<MainQueue> queue = queue_;
  auto reply = std::make_shared<MainQueue::Reply>();
  if (!queue->Push({std::move(task), {}, reply})) return false;
  return queue->WaitReply(*reply, clock_, timeoutMs);
}

bool MainLoop::OnLoopThread(const char* what) const {
  if (IsLoopThread()) return true;
  Trace("MainLoop::%s called off the loop thread FAILED", what);
  return false;
}

void MainLoop::OnWakeFd(int, void* arg) { static_cast<MainLoop*>(arg)->HandleWake(); }

void MainLoop::OnTimerFd(int, void* arg) {
  auto* loop = static_cast<MainLoop*>(arg);
  uint64_t expirations = 0;
  ssize_t ignored = ::read(loop->timerFd_.Get(), &expirations, sizeof expirations);
  (void)ignored;
  loop->armedDeadline_.reset();
  loop->FireDueTimers();
}

void MainLoop::HandleWake() {
  // Cleared before taking, so a post racing with us wakes the loop again.
  queue_->ClearWake();
  if (const int sig = StopSignals::TakePending()) HandleSignal(sig);
  // Timers first: a clock jump's due timers fire before the messages posted
  // after the jump.
  FireDueTimers();
  DispatchQueued();
  if (queue_->IsClosed() && queue_->Empty()) re_cancel();
}

void MainLoop::DispatchQueued() {
  const auto end = std::chrono::steady_clock::now() + kWakeBudget;
  for (size_t handled = 0; handled < kMessageBatch; ++handled) {
    std::optional<MainQueue::Item> item = queue_->TakeNext();
    if (!item) return;
    Dispatch(*item);
    if (std::chrono::steady_clock::now() >= end) break;
  }
  if (!queue_->Empty()) queue_->Wake();
}

void MainLoop::HandleSignal(int sig) {
  Trace("MainLoop signal %d, orderly shutdown", sig);
  if (messageHandler_)
    PostMessage(LMessage{WM_LSHUTDOWN, 0, 0, {}});
  else
    Stop();
}

void MainLoop::Dispatch(MainQueue::Item& item) {
  if (item.task) {
    item.task();
    if (item.reply) queue_->Complete(*item.reply, 0);
    return;
  }
  const std::optional<int64_t> result = HandleMessage(item.message);
  if (item.reply) queue_->Complete(*item.reply, result);
}

std::optional<int64_t> MainLoop::HandleMessage(const LMessage& message) {
  if (!messageHandler_) {
    Trace("MainLoop message %u dropped, no handler", message.id);
    return std::nullopt;
  }
  return messageHandler_(message);
}

void MainLoop::FireDueTimers() {
  // No timer fires once the loop is stopping.
  if (queue_->IsClosed()) return;
  const uint64_t now = clock_.TickCount();
  const uint64_t setBefore = timers_.NextSequence();
  firing_ = true;
  while (const auto due = timers_.PopDue(now, setBefore)) {
    due->handler->OnTimer(due->id);
    if (queue_->IsClosed()) break;
  }
  firing_ = false;
  ArmTimerFd();
}

void MainLoop::ArmTimerFd() {
  if (firing_ || !timerFd_.Valid()) return;
  const std::optional<uint64_t> next = timers_.NextDeadline();
  if (next == armedDeadline_) return;
  armedDeadline_ = next;
  itimerspec spec{};  // all zero disarms
  if (next) {
    const uint64_t now = clock_.TickCount();
    const uint64_t delay = std::min(*next > now ? *next - now : 0, kMaxArmMs);
    spec.it_value.tv_sec = static_cast<time_t>(delay / 1000);
    spec.it_value.tv_nsec = static_cast<long>(delay % 1000 * 1000000);
    if (delay == 0) spec.it_value.tv_nsec = 1;
  }
  if (::timerfd_settime(timerFd_.Get(), 0, &spec, nullptr) != 0) {
    Trace("MainLoop timerfd_settime FAILED: %s", std::strerror(errno));
    armedDeadline_.reset();
  }
}
