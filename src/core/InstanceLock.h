#pragma once

#include <string>

#include "core/UniqueFd.h"

// The lock that lets one engine run on a data folder: an exclusive advisory
// lock on "zavotel.lock" in the data root, held for the engine's life and
// released by the system when the process ends, however it ends. The file
// holds the holder's process id for people looking, and is emptied when the
// holder ends in order: a process id found there by the next holder tells
// that the last run was killed or crashed.
class InstanceLock {
 public:
  static constexpr const char* kFileName = "zavotel.lock";

  enum class Result { kTaken, kBusy, kFailed };

  explicit InstanceLock(std::string dataRoot);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Does not wait. kFailed (traced) when the file cannot be opened.
  Result TryTake();
  bool Held() const { return fd_.Valid(); }
  // Once taken: whether the last holder ended in order (or there was none).
  bool LastHolderEndedInOrder() const { return lastEndedInOrder_; }

 private:
  const std::string path_;
  UniqueFd fd_;
  bool lastEndedInOrder_ = true;
};
