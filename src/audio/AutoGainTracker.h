#pragma once

#include <array>
#include <cstdint>

// Follows the speech level of the last second (50 blocks of 20 ms) slowly:
// it rises towards the window's upper quartile by a twelfth of the distance
// when a louder block comes in, and falls by a fiftieth when a quieter one
// does, and only inside its floor and ceiling. Levels are dB relative to the
// file's estimated speech level.
class AutoGainTracker {
 public:
  static constexpr int kWindow = 50;

  AutoGainTracker(int floor, int ceiling) : floor_(floor), ceiling_(ceiling) {}

  // A block level enters the window, replacing the oldest.
  void Feed(int level);
  // Past the last block: the oldest entry leaves without a successor.
  void FeedEmpty();
  // The tracked level, truncated to whole dB.
  int Tracked() const { return static_cast<int>(tracked_); }

 private:
  // The level with just over a quarter of the window at or above it.
  int Reference() const;
  void Follow(int level);
  void Remove(int slot);

  std::array<int8_t, kWindow> window_{};
  std::array<bool, kWindow> present_{};
  std::array<uint8_t, 256> counts_{};
  int position_ = 0;
  double tracked_ = 0;
  const int floor_;
  const int ceiling_;
};
