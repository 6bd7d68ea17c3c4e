#pragma once

#include <string_view>

// What a long process reports to and asks of whoever runs it: two text
// lines, a completed fraction and whether the user (or the worker's owner)
// wants it to stop. The console command shows it on a terminal line; a
// worker thread writes the title to the system log and stops on its signal.
class LProgress {
 public:
  // The longest slice CancellableSleep sleeps before it looks again.
  static constexpr int kSleepSliceMs = 200;

  LProgress() = default;
  virtual ~LProgress() = default;
  LProgress(const LProgress&) = delete;
  LProgress& operator=(const LProgress&) = delete;

  // Line 0 (the title) or 1 (the step); other lines are ignored.
  virtual void SetText(int line, std::string_view text) = 0;
  // 0..1; values outside are shown as the nearest end.
  virtual void SetProgress(double fraction) = 0;
  // Tested between units of work; once true it stays true.
  virtual bool IsCancelled() = 0;

  // Sleeps `ms` in slices, testing IsCancelled before and after each one.
  // False when cancelled.
  bool CancellableSleep(int ms);
};
