#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "core/UniqueFd.h"

// A program started by the engine. It runs in a session of its own (no
// terminal, its own process group), with standard input from /dev/null
// unless a descriptor is given,
// standard error shared with the engine, no other descriptor of the engine,
// default signal handling and an empty signal mask; environment and working
// directory are the engine's. Every child is waited for by someone, so none
// is left as a zombie: its owner through Collect, or a background reaper.
class ChildProcess {
 public:
  // Starts argv[0] (looked up on PATH when it holds no "/") with `argv`.
  // `stdoutFd` becomes its standard output; -1 shares the engine's.
  // `stdinFd` becomes its standard input; -1 is /dev/null. Null when
  // nothing could be started (no program, not executable, no memory).
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, int stdoutFd,
                                             int stdinFd = -1);
  // Lets the child go: a detached reaper waits for it and, when `graceMs`
  // is not negative and it still runs after that long, kills its process
  // group. The reaper owns only the process id and its descriptor.
  static void Release(std::unique_ptr<ChildProcess> child, int graceMs);

  // A child not collected is released without a time limit.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Becomes readable when the child has ended.
  int ExitFd() const { return exitFd_.Get(); }
  // Collects an ended child (ExitFd readable); returns its wait status.
  int Collect();

 private:
  ChildProcess(pid_t pid, UniqueFd exitFd) : pid_(pid), exitFd_(std::move(exitFd)) {}
  static void Reap(pid_t pid, UniqueFd exitFd, int graceMs);

  const pid_t pid_;
  UniqueFd exitFd_;
  bool collected_ = false;
};
