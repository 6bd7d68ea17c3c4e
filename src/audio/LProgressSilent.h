#pragma once

#include <string_view>

#include "audio/LProgress.h"
#include "core/LSignalObject.h"

// Progress for work nobody watches: texts and fractions go nowhere, and it
// is cancelled only when its owner's stop signal (if any) is set.
class LProgressSilent final : public LProgress {
 public:
  explicit LProgressSilent(const LSignalObject* stop = nullptr) : stop_(stop) {}
  void SetText(int, std::string_view) override {}
  void SetProgress(double) override {}
  bool IsCancelled() override { return stop_ && stop_->IsSet(); }

 private:
  const LSignalObject* stop_;
};
