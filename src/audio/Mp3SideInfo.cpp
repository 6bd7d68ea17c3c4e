#include "audio/Mp3SideInfo.h"

#include <algorithm>
#include <cstring>

#include "audio/MP3Header.h"
#include "audio/Mp3BitReader.h"
#include "audio/Mp3Tables.h"

namespace {

void ReadGranule(Mp3BitReader& bits, bool mpeg1, int rateIndex, Mp3GranuleInfo& info) {
  info.part23Length = static_cast<int>(bits.Get(12));
  info.bigValues = std::min(static_cast<int>(bits.Get(9)), 288);  // 576 values at most
  info.globalGain = static_cast<int>(bits.Get(8));
  info.scalefacCompress = static_cast<int>(bits.Get(mpeg1 ? 4 : 9));
  const int16_t* longBands = kMp3LongBands[rateIndex];
  if (bits.Get(1) != 0) {  // window switching
    info.blockType = static_cast<int>(bits.Get(2));
    info.mixed = bits.Get(1) != 0;
    info.tableSelect[0] = static_cast<int>(bits.Get(5));
    info.tableSelect[1] = static_cast<int>(bits.Get(5));
    info.tableSelect[2] = 0;
    for (int& gain : info.subblockGain) gain = static_cast<int>(bits.Get(3));
    // A switched window of type 0 is reserved; it is decoded as a long block.
    if (info.blockType == 2 && !info.mixed) {
      info.region1Start = 3 * kMp3ShortBands[rateIndex][3];
    } else {
      info.region1Start = longBands[8];
    }
    info.region2Start = 576;
  } else {
    info.blockType = 0;
    info.mixed = false;
    for (int& table : info.tableSelect) table = static_cast<int>(bits.Get(5));
    for (int& gain : info.subblockGain) gain = 0;
    const int region0 = static_cast<int>(bits.Get(4));
    const int region1 = static_cast<int>(bits.Get(3));
    info.region1Start = longBands[std::min(region0 + 1, 22)];
    info.region2Start = longBands[std::min(region0 + region1 + 2, 22)];
  }
  info.preflag = mpeg1 ? bits.Get(1) != 0 : false;
  info.scalefacScale = bits.Get(1) != 0;
  info.count1Table = static_cast<int>(bits.Get(1));
}

}  // namespace

bool Mp3SideInfo::Parse(const MP3Header& header, const uint8_t* bytes, std::size_t size) {
  const auto sideBytes = static_cast<std::size_t>(header.SideInfoBytes());
  if (size < sideBytes) return false;
  const bool mpeg1 = header.version == 0;
  const int channels = header.Channels();
  uint8_t local[kMaxBytes + 4] = {};  // the reader looks up to 4 bytes ahead
  std::memcpy(local, bytes, sideBytes);
  Mp3BitReader bits(local, sideBytes);
  mainDataBegin = static_cast<int>(bits.Get(mpeg1 ? 9 : 8));
  bits.Skip(mpeg1 ? (channels == 1 ? 5 : 3) : (channels == 1 ? 1 : 2));  // private bits
  for (int ch = 0; ch < channels && mpeg1; ++ch) {
    for (bool& flag : scfsi[ch]) flag = bits.Get(1) != 0;
  }
  for (int gr = 0; gr < header.Granules(); ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      granule[gr][ch] = Mp3GranuleInfo{};
      ReadGranule(bits, mpeg1, header.RateIndex(), granule[gr][ch]);
    }
  }
  return true;
}
