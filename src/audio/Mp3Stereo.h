#pragma once

struct MP3Header;
struct Mp3GranuleInfo;
struct Mp3ScaleFactors;

// Joint stereo processing of one granule: middle/side and intensity stereo,
// on spectral lines still in the bitstream's order.
class Mp3Stereo {
 public:
  // `left` and `right` hold 576 lines each; `nonzero` the number of lines
  // that may be nonzero in each, raised to cover what the processing fills.
  static void Process(const MP3Header& header, const Mp3GranuleInfo& rightInfo,
                      const Mp3ScaleFactors& rightFactors, float* left, float* right,
                      int nonzero[2]);
};
