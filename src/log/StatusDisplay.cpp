#include "log/StatusDisplay.h"

void StatusDisplay::Append(std::string_view line) {
  std::lock_guard lock(mutex_);
  if (error_ && clock_.TickCount() - lastErrorTick_ > kErrorHoldMs) error_ = false;
  appended_ += line.size();
  while (!line.empty()) {
    if (text_.size() >= kCapacity) text_.erase(0, kDrop);
    std::size_t room = kCapacity - text_.size();
    std::string_view part = line.substr(0, room);
    text_.append(part);
    line.remove_prefix(part.size());
  }
}

void StatusDisplay::SetError() {
  std::lock_guard lock(mutex_);
  lastErrorTick_ = clock_.TickCount();
  error_ = true;
}

StatusDisplay::Snapshot StatusDisplay::GetSnapshot() const {
  std::lock_guard lock(mutex_);
  return Snapshot{text_, error_, appended_};
}
