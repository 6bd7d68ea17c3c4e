#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "audio/LProgress.h"

// A progress for the sending tests: keeps the last fraction and asks to
// stop once `cancelAfter` has passed (never when negative).
class TestProgress final : public LProgress {
 public:
  using Clock = std::chrono::steady_clock;
  explicit TestProgress(std::chrono::milliseconds cancelAfter = std::chrono::milliseconds(-1))
      : cancelAt_(cancelAfter.count() < 0 ? std::optional<Clock::time_point>()
                                          : Clock::now() + cancelAfter) {}

  void SetText(int, std::string_view) override {}
  void SetProgress(double value) override { fraction = value; }
  bool IsCancelled() override { return cancelAt_ && Clock::now() >= *cancelAt_; }
  // Milliseconds since the stop was asked for.
  long long SinceCancel() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - *cancelAt_).count();
  }

  double fraction = -1;

 private:
  std::optional<Clock::time_point> cancelAt_;
};
