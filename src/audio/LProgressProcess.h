#pragma once

#include <string>
#include <utility>

#include "audio/LProgress.h"

// Results of every stoppable process (pump, mail sender, file jobs).
enum ProcessResult : int {
  kProcessDone = 0,
  kProcessCancelled = 1,
  kProcessFailed = 2,
};

// A long job run under a progress: it shows its title as the first line and
// tests the progress's cancel request between units of work.
class LProgressProcess {
 public:
  explicit LProgressProcess(std::string title) : title_(std::move(title)) {}
  virtual ~LProgressProcess() = default;
  LProgressProcess(const LProgressProcess&) = delete;
  LProgressProcess& operator=(const LProgressProcess&) = delete;

  const std::string& Title() const { return title_; }
  // True on success.
  virtual bool Run(LProgress& progress) = 0;

 private:
  std::string title_;
};
