#pragma once

#include "core/LMessage.h"

// The main window as the call controllers see it: where they post line state,
// caller-id pop-ups and announcements. A controller holds a null pointer
// while no main window exists and then posts nothing.
class IVRCMainWindow {
 public:
  IVRCMainWindow() = default;
  virtual ~IVRCMainWindow() = default;
  IVRCMainWindow(const IVRCMainWindow &) = delete;
  IVRCMainWindow &operator=(const IVRCMainWindow &) = delete;

  // Queues the message for the main window; its text is copied.
  virtual void Post(LMessage message) = 0;
};
