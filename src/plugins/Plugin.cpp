#include "plugins/Plugin.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "plugins/ChildProcess.h"
#include "plugins/PluginOutputBuffer.h"

// Everything the watcher touches. The watcher reaches it only through the
// thread state, so a watcher that outlives its Plugin stays safe.
struct Plugin::Watch {
  std::unique_ptr<ChildProcess> child;
  UniqueFd pipe;  // read end, non-blocking
  UniqueFd wake;  // eventfd the owner raises to stop the watcher at once
  int graceMs = 0;
  PluginOutputBuffer output;          // written by the watcher only
  std::atomic<bool> returned{false};  // set after the last write to `output`

  void Wake() {
    uint64_t one = 1;
    ssize_t ignored = ::write(wake.Get(), &one, sizeof one);
    (void)ignored;
  }
  // Reads what is in the pipe now. False once the pipe is at its end.
  bool Drain() {
    char chunk[8192];
    for (;;) {
      ssize_t got = ::read(pipe.Get(), chunk, sizeof chunk);
      if (got > 0) {
        output.Append(chunk, static_cast<std::size_t>(got));
      } else if (got < 0 && errno == EINTR) {
        continue;
      } else {
        return got < 0 && errno == EAGAIN;
      }
    }
  }
};

Plugin::Plugin(int abandonGraceMs) : abandonGraceMs_(abandonGraceMs) {}

Plugin::~Plugin() { StopWatcher(kStopTimeoutMs); }

bool Plugin::Run(const std::vector<std::string>& arguments, bool asPlugin) {
  StopWatcher(kRestartGraceMs);
  watch_.reset();
  if (asPlugin) return StartPlugin(arguments);
  std::unique_ptr<ChildProcess> child = ChildProcess::Start(arguments, -1);
  if (!child) {
    Trace("Plugin::Run unable to create process (non-pipe)");
    return false;
  }
  ChildProcess::Release(std::move(child), -1);
  return true;
}

bool Plugin::StartPlugin(const std::vector<std::string>& arguments) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    Trace("Plugin::Run unable to create pipe");
    return false;
  }
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);
  UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake.Valid() || ::fcntl(readEnd.Get(), F_SETFL, O_NONBLOCK) != 0) {
    Trace("Plugin::Run unable to create pipe");
    return false;
  }
  ::fcntl(writeEnd.Get(), F_SETPIPE_SZ, kPipeSize);  // a smaller pipe still works

  auto watch = std::make_shared<Watch>();
  watch->child = ChildProcess::Start(arguments, writeEnd.Get());
  if (!watch->child) {
    Trace("Plugin::Run unable to create process (pipe)");
    return false;
  }
  writeEnd.Reset();  // the child's end: the pipe ends when the child closes it
  watch->pipe = std::move(readEnd);
  watch->wake = std::move(wake);
  watch->graceMs = abandonGraceMs_;
  watch_ = watch;
  if (!Start(kPriorityNormal)) {
    ChildProcess::Release(std::move(watch->child), abandonGraceMs_);
    return false;
  }
  running_.store(true, std::memory_order_release);
  return true;
}

bool Plugin::HasReturned() const {
  return watch_ && watch_->returned.load(std::memory_order_acquire);
}

std::string Plugin::GetReturnValue() const {
  if (!HasReturned()) {
    Trace("Plugin::GetReturnValue() sz == NULL or bReturnValue = false");
    return {};
  }
  return watch_->output.Text();
}

void Plugin::StopWatching() { StopWatcher(kRestartGraceMs); }

void Plugin::StopWatcher(int timeoutMs) {
  running_.store(false, std::memory_order_release);
  if (watch_) watch_->Wake();
  StopThreadTimed(timeoutMs);
}

void Plugin::ThreadFunction() {
  Watch& watch = ThreadState<Watch>();
  pollfd fds[3] = {{watch.wake.Get(), POLLIN, 0},
                   {watch.pipe.Get(), POLLIN, 0},
                   {watch.child->ExitFd(), POLLIN, 0}};
  bool ended = false;
  while (!ended) {
    if (StopSignal().IsSet()) break;
    int ready = ::poll(fds, 3, -1);
    if (ready < 0 && errno != EINTR) break;
    if (fds[0].revents != 0) break;
    if (fds[1].revents != 0 && !watch.Drain()) fds[1].fd = -1;  // output closed
    // Ended: take what it left in the pipe (a descendant may keep it open).
    ended = fds[2].revents != 0;
  }
  if (ended) {
    if (fds[1].fd >= 0) watch.Drain();
    watch.child->Collect();
    watch.returned.store(true, std::memory_order_release);
  } else {
    Trace("Plugin::ThreadFunction() process did not return before thread stopped");
    ChildProcess::Release(std::move(watch.child), watch.graceMs);
  }
  watch.pipe.Reset();
}
