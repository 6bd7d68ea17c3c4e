#pragma once

#include <cstdint>

#include "telephony/wave/LSoundLevels.h"

// What a recorder tells its owner, on the owner's thread, each with the
// owner's cookie. The operations are in slot order; an owner replaces the
// ones it cares about.
class LSoundRecorderNotify {
 public:
  virtual ~LSoundRecorderNotify() = default;

  // Voice arrived: waiting -> recording.
  virtual void srntfRecord(uint32_t /*cookie*/) {}
  // Recording -> waiting after the hang-over, or a restart in waiting state.
  virtual void srntfWait(uint32_t /*cookie*/) {}
  virtual void srntfStop(uint32_t /*cookie*/) {}
  // The recorded length in ms at the last loud block.
  virtual void srntfTime(uint32_t /*cookie*/, uint32_t /*ms*/) {}
  virtual void srntfLevel(uint32_t /*cookie*/, const LSoundLevels& /*levels*/) {}
};
