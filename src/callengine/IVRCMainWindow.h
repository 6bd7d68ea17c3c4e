#pragma once

#include <cstdint>

#include "core/LMessage.h"

// The main window as the call controllers see it: where they post line state,
// caller-id pop-ups, announcements and message rows, and the scheduler timer
// they arm. A controller holds a null pointer while no main window exists
// and then posts nothing.
class IVRCMainWindow {
 public:
  // The timer that runs the outbound and forward scheduler.
  static constexpr int kSchedulerTimer = 2;

  IVRCMainWindow() = default;
  virtual ~IVRCMainWindow() = default;
  IVRCMainWindow(const IVRCMainWindow &) = delete;
  IVRCMainWindow &operator=(const IVRCMainWindow &) = delete;

  // Queues the message for the main window; its text is copied.
  virtual void Post(LMessage message) = 0;
  // (Re)arms the main window's timer `id` to fire after `ms`.
  virtual void SetTimer(int id, uint32_t ms) = 0;
};
