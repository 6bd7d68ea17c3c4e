#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "audio/LProgress.h"

// A progress for the sending tests: remembers the last step text and
// fraction, and asks to stop once `cancelAfter` has passed (never when
// negative) or after `checks` stop tests (when positive).
class TestProgress final : public LProgress {
 public:
  explicit TestProgress(std::chrono::milliseconds cancelAfter = std::chrono::milliseconds(-1),
                        int checks = 0)
      : start_(std::chrono::steady_clock::now()), cancelAfter_(cancelAfter), checksLeft_(checks) {}

  void SetText(int line, std::string_view text) override {
    if (line == 1) step = text;
  }
  void SetProgress(double value) override { fraction = value; }
  bool IsCancelled() override {
    if (checksLeft_ > 0 && --checksLeft_ == 0) cancelledAt_ = std::chrono::steady_clock::now();
    if (cancelAfter_.count() >= 0 && !cancelledAt_ &&
        std::chrono::steady_clock::now() - start_ >= cancelAfter_) {
      cancelledAt_ = start_ + cancelAfter_;
    }
    return cancelledAt_.has_value();
  }
  // How long ago the stop was first asked for.
  std::chrono::milliseconds SinceCancel() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 cancelledAt_.value());
  }

  std::string step;
  double fraction = -1;

 private:
  std::chrono::steady_clock::time_point start_;
  std::chrono::milliseconds cancelAfter_;
  int checksLeft_;
  std::optional<std::chrono::steady_clock::time_point> cancelledAt_;
};
