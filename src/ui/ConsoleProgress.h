#pragma once

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>

#include "audio/LProgress.h"
#include "ui/ConsoleHost.h"

// A job the console runs on its own thread: with a title its steps and
// fraction show through the host's progress (the title is the console's;
// the job's own title line is not shown), without one nothing shows. It
// stops when the server stops; the report ends with the object.
class ConsoleProgress final : public LProgress {
 public:
  ConsoleProgress(const ConsoleHost& host, std::string title, const std::atomic<bool>& stopping)
      : host_(host), title_(std::move(title)), stopping_(stopping) {
    Report();
  }
  ~ConsoleProgress() override {
    if (Shown()) host_.progress("", "", 0);
  }

  void SetText(int line, std::string_view text) override {
    if (line != 1) return;
    step_ = text;
    Report();
  }
  void SetProgress(double fraction) override {
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    Report();
  }
  bool IsCancelled() override { return stopping_; }

 private:
  bool Shown() const { return !title_.empty() && host_.progress; }
  void Report() {
    if (Shown()) host_.progress(title_, step_, fraction_);
  }

  const ConsoleHost& host_;
  const std::string title_;
  const std::atomic<bool>& stopping_;
  std::string step_;
  double fraction_ = 0;
};
