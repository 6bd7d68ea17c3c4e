#pragma once

#include <cstdint>

#include "telephony/wave/LSoundLevels.h"

// What a player tells its owner, on the owner's thread, each with the owner's
// cookie. The operations are in slot order; an owner replaces the ones it
// cares about.
class LSoundPlayerNotify {
 public:
  virtual ~LSoundPlayerNotify() = default;

  // Play started or resumed.
  virtual void spntfPlay(uint32_t /*cookie*/) {}
  // The player closed: stopped, at the end of the source, or the device
  // stopped returning buffers.
  virtual void spntfStop(uint32_t /*cookie*/) {}
  // Paused, cueing at the current position.
  virtual void spntfPause(uint32_t /*cookie*/) {}
  virtual void spntfStartPaused(uint32_t /*cookie*/) {}
  virtual void spntfPosition(uint32_t /*cookie*/, uint32_t /*ms*/) {}
  virtual void spntfLevel(uint32_t /*cookie*/, const LSoundLevels& /*levels*/) {}
};
