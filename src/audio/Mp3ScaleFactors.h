#pragma once

#include <cstdint>

#include "audio/Mp3BitReader.h"

struct Mp3GranuleInfo;

// The scale factors of one granule of one channel, and for the intensity
// stereo channel the position value that marks a band as not intensity
// coded (7 for MPEG-1, the field's largest value for the low rates).
struct Mp3ScaleFactors {
  uint8_t longBand[22] = {};
  uint8_t shortBand[13][3] = {};
  uint8_t longIllegal[22] = {};
  uint8_t shortIllegal[13] = {};

  // MPEG-1: granule 1 keeps the band groups that `scfsi` marks as shared
  // with granule 0, so this object must hold granule 0's values then.
  void ReadMpeg1(Mp3BitReader& bits, const Mp3GranuleInfo& info, const bool scfsi[4], int granule);
  // Low rates: `intensityChannel` is the right channel of an intensity
  // stereo frame. Sets the granule's pre-emphasis flag.
  void ReadLowRate(Mp3BitReader& bits, Mp3GranuleInfo& info, bool intensityChannel);
};
