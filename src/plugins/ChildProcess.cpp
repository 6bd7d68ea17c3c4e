#include "plugins/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>
#include <thread>

#include "core/Trace.h"

extern char** environ;

namespace {

// The system call itself: this C library's header lacks C++ linkage.
int OpenPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

pid_t WaitFor(pid_t pid, int* status) {
  pid_t result;
  do {
    result = ::waitpid(pid, status, 0);
  } while (result < 0 && errno == EINTR);
  return result;
}

// The spawn settings shared by every child; released by the destructor.
class SpawnSettings {
 public:
  SpawnSettings(int stdoutFd, int stdinFd) {
    ::posix_spawn_file_actions_init(&actions_);
    ::posix_spawnattr_init(&attr_);
    if (stdinFd >= 0) {
      ::posix_spawn_file_actions_adddup2(&actions_, stdinFd, 0);
    } else {
      ::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
    }
    if (stdoutFd >= 0) ::posix_spawn_file_actions_adddup2(&actions_, stdoutFd, 1);
    // Whatever other subsystems or libraries opened without close-on-exec.
    ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attr_, &none);
    ::posix_spawnattr_setsigdefault(&attr_, &all);
    ::posix_spawnattr_setflags(&attr_,
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSettings() {
    ::posix_spawnattr_destroy(&attr_);
    ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  const posix_spawn_file_actions_t* Actions() const { return &actions_; }
  const posix_spawnattr_t* Attr() const { return &attr_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv,
                                                  int stdoutFd, int stdinFd) {
  if (argv.empty()) return nullptr;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  SpawnSettings settings(stdoutFd, stdinFd);
  pid_t pid = 0;
  int error =
      ::posix_spawnp(&pid, args[0], settings.Actions(), settings.Attr(), args.data(), environ);
  if (error != 0) {
    Trace("ChildProcess::Start %s: %s", argv[0].c_str(), std::strerror(error));
    return nullptr;
  }
  UniqueFd exitFd(OpenPidFd(pid));
  if (!exitFd.Valid()) {
    // Cannot watch it: end it rather than leave an unwatched child behind.
    Trace("ChildProcess::Start pidfd_open failed: %s", std::strerror(errno));
    ::kill(-pid, SIGKILL);
    WaitFor(pid, nullptr);
    return nullptr;
  }
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, std::move(exitFd)));
}

ChildProcess::~ChildProcess() {
  if (!collected_) Reap(pid_, std::move(exitFd_), -1);
}

int ChildProcess::Collect() {
  int status = 0;
  if (!collected_) WaitFor(pid_, &status);
  collected_ = true;
  return status;
}

void ChildProcess::Release(std::unique_ptr<ChildProcess> child, int graceMs) {
  if (!child || child->collected_) return;
  child->collected_ = true;
  Reap(child->pid_, std::move(child->exitFd_), graceMs);
}

void ChildProcess::Reap(pid_t pid, UniqueFd exitFd, int graceMs) {
  auto reaper = [pid, graceMs](UniqueFd fd) {
    if (graceMs >= 0) {
      pollfd ended{fd.Get(), POLLIN, 0};
      int ready;
      do {
        ready = ::poll(&ended, 1, graceMs);
      } while (ready < 0 && errno == EINTR);
      // Not yet collected, so the id (and group id) cannot have been reused.
      if (ready == 0) ::kill(-pid, SIGKILL);
    }
    WaitFor(pid, nullptr);
  };
  try {
    std::thread(reaper, std::move(exitFd)).detach();
  } catch (const std::system_error&) {
    Trace("ChildProcess::Reap no thread to wait for process %d", static_cast<int>(pid));
  }
}
