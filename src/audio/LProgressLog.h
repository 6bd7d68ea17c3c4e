#pragma once

#include "audio/LProgress.h"

class LogFile;
class LSignalObject;

// Progress of a job on a worker thread: nobody watches, so the title goes to
// the system log as one line, the step and the fraction go nowhere, and the
// job counts as cancelled once the worker's stop signal is set.
class LProgressLog final : public LProgress {
 public:
  LProgressLog(LogFile& log, const LSignalObject& stop) : log_(log), stop_(stop) {}

  void SetText(int line, std::string_view text) override;
  void SetProgress(double) override {}
  bool IsCancelled() override;

 private:
  LogFile& log_;
  const LSignalObject& stop_;
};
