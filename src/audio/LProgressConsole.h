#pragma once

#include <csignal>
#include <cstdio>
#include <string>

#include "audio/LProgress.h"

// Progress of a command-line job: title, step and percentage on one terminal
// line, redrawn in place and erased at the end. Nothing is drawn when the
// output is not a terminal. With `catchInterrupt`, SIGINT is held back on
// this thread while the object exists and becomes a cancel request, so an
// interrupted job still finishes (and can clean up) its output.
class LProgressConsole final : public LProgress {
 public:
  LProgressConsole(std::FILE* out, bool catchInterrupt);
  ~LProgressConsole() override;

  void SetText(int line, std::string_view text) override;
  void SetProgress(double fraction) override;
  bool IsCancelled() override;

  void Cancel() { cancelled_ = true; }

 private:
  bool TakeInterrupt() const;
  void Draw();

  std::FILE* out_;
  bool terminal_;
  bool catchInterrupt_;
  sigset_t oldMask_{};
  std::string lines_[2];
  int percent_ = 0;
  bool drawn_ = false;
  bool cancelled_ = false;
};
