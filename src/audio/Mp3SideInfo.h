#pragma once

#include <cstddef>
#include <cstdint>

struct MP3Header;

// The side information of one granule of one channel.
struct Mp3GranuleInfo {
  int part23Length = 0;  // bits of scale factors and Huffman data
  int bigValues = 0;     // pairs, at most 288
  int globalGain = 0;
  int scalefacCompress = 0;
  int blockType = 0;  // 0 normal, 1 start, 2 short, 3 stop
  bool mixed = false;
  int tableSelect[3] = {0, 0, 0};
  int subblockGain[3] = {0, 0, 0};
  int region1Start = 0;  // spectral lines
  int region2Start = 0;
  bool preflag = false;
  bool scalefacScale = false;
  int count1Table = 0;

  bool IsShort() const { return blockType == 2; }
};

// The side information of one frame.
struct Mp3SideInfo {
  static constexpr std::size_t kMaxBytes = 32;

  int mainDataBegin = 0;  // bytes back into the reservoir
  bool scfsi[2][4] = {};
  Mp3GranuleInfo granule[2][2];  // [granule][channel]

  // Reads `bytes` (header.SideInfoBytes() of them); region starts are
  // resolved with the sample rate's band table and kept within 576 lines.
  bool Parse(const MP3Header& header, const uint8_t* bytes, std::size_t size);
};
