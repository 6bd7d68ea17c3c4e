#pragma once

#include <cstdint>

#include "telephony/wave/LSoundLevels.h"
#include "telephony/wave/LWaveHeader.h"

// One of the player's buffers: the device header, whose user value is the
// source position reached at the end of the buffer (kNoPosition when it
// carries none), and the levels of the audio in it.
struct LSoundPlayerWaveHeader {
  static constexpr uint32_t kNoPosition = 0x80000000;

  uint32_t capacity = 0;  // bytes
  LWaveHeader header;
  LSoundLevels levels;
};
