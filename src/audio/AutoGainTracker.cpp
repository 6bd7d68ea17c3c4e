#include "audio/AutoGainTracker.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr int kQuarter = AutoGainTracker::kWindow / 4;
constexpr double kRise = 12;
constexpr double kFall = 50;

std::size_t Bin(int level) { return static_cast<std::size_t>(std::clamp(level, -128, 127) + 128); }

}  // namespace

void AutoGainTracker::Feed(int level) {
  Remove(position_);
  const auto slot = static_cast<std::size_t>(position_);
  window_[slot] = static_cast<int8_t>(std::clamp(level, -128, 127));
  present_[slot] = true;
  ++counts_[Bin(level)];
  position_ = (position_ + 1) % kWindow;
  Follow(level);
}

void AutoGainTracker::FeedEmpty() {
  const auto slot = static_cast<std::size_t>(position_);
  const bool had = present_[slot];
  const int level = window_[slot];
  Remove(position_);
  position_ = (position_ + 1) % kWindow;
  if (had) Follow(level);
}

void AutoGainTracker::Remove(int slot) {
  const auto at = static_cast<std::size_t>(slot);
  if (!present_[at]) return;
  --counts_[Bin(window_[at])];
  present_[at] = false;
}

int AutoGainTracker::Reference() const {
  int above = 0;
  for (int level = 127; level > -127; --level) {
    above += counts_[Bin(level)];
    if (above > kQuarter) return level;
  }
  return -127;
}

void AutoGainTracker::Follow(int level) {
  const int reference = Reference();
  const int tracked = Tracked();
  if (level > tracked && tracked < reference && tracked < ceiling_) {
    tracked_ += (reference - tracked_) / kRise;
  } else if (level < tracked && tracked > reference && tracked > floor_) {
    tracked_ += (reference - tracked_) / kFall;
  }
}
