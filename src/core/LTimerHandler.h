#pragma once

// Receives the main loop's timers (MainLoop::SetTimer). Every timer is
// one-shot; a handler that wants a periodic timer sets it again from OnTimer.
class LTimerHandler {
 public:
  virtual ~LTimerHandler() = default;
  virtual void OnTimer(int id) = 0;
};
