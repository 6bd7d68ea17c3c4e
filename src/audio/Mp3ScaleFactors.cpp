#include "audio/Mp3ScaleFactors.h"

#include <algorithm>
#include <iterator>

#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Tables.h"

namespace {

// Band groups that scfsi can share between granules: 0-5, 6-10, 11-15, 16-20.
constexpr int kScfsiGroups[5] = {0, 6, 11, 16, 21};

}  // namespace

void Mp3ScaleFactors::ReadMpeg1(Mp3BitReader& bits, const Mp3GranuleInfo& info, const bool scfsi[4],
                                int granule) {
  const int slen1 = kMp3Slen1[info.scalefacCompress & 15];
  const int slen2 = kMp3Slen2[info.scalefacCompress & 15];
  std::fill(std::begin(longIllegal), std::end(longIllegal), 7);
  std::fill(std::begin(shortIllegal), std::end(shortIllegal), 7);
  if (info.IsShort()) {
    int firstShort = 0;
    if (info.mixed) {
      for (int sfb = 0; sfb < 8; ++sfb) longBand[sfb] = static_cast<uint8_t>(bits.Get(slen1));
      firstShort = 3;
    }
    for (int sfb = firstShort; sfb < 12; ++sfb) {
      for (uint8_t& value : shortBand[sfb])
        value = static_cast<uint8_t>(bits.Get(sfb < 6 ? slen1 : slen2));
    }
    for (uint8_t& value : shortBand[12]) value = 0;
    return;
  }
  for (int group = 0; group < 4; ++group) {
    if (granule == 1 && scfsi[group]) continue;  // shared with granule 0
    for (int sfb = kScfsiGroups[group]; sfb < kScfsiGroups[group + 1]; ++sfb) {
      longBand[sfb] = static_cast<uint8_t>(bits.Get(group < 2 ? slen1 : slen2));
    }
  }
  longBand[21] = 0;
}

void Mp3ScaleFactors::ReadLowRate(Mp3BitReader& bits, Mp3GranuleInfo& info, bool intensityChannel) {
  int slen[4] = {0, 0, 0, 0};
  int row = 0;
  int sfc = info.scalefacCompress;
  info.preflag = false;
  if (!intensityChannel) {
    if (sfc < 400) {
      slen[0] = (sfc >> 4) / 5, slen[1] = (sfc >> 4) % 5, slen[2] = (sfc & 15) >> 2,
      slen[3] = sfc & 3;
    } else if (sfc < 500) {
      sfc -= 400;
      slen[0] = (sfc >> 2) / 5, slen[1] = (sfc >> 2) % 5, slen[2] = sfc & 3;
      row = 1;
    } else {
      sfc -= 500;
      slen[0] = sfc / 3, slen[1] = sfc % 3;
      row = 2;
      info.preflag = true;
    }
  } else {
    sfc >>= 1;
    if (sfc < 180) {
      slen[0] = sfc / 36, slen[1] = (sfc % 36) / 6, slen[2] = sfc % 6;
      row = 3;
    } else if (sfc < 244) {
      sfc -= 180;
      slen[0] = (sfc & 63) >> 4, slen[1] = (sfc & 15) >> 2, slen[2] = sfc & 3;
      row = 4;
    } else {
      sfc -= 244;
      slen[0] = sfc / 3, slen[1] = sfc % 3;
      row = 5;
    }
  }
  const int kind = !info.IsShort() ? 0 : info.mixed ? 2 : 1;
  // Fields run through the long bands, then (band, window) triplets; a
  // mixed block has 6 long fields and then triplets from short band 3.
  const int longFields = kind == 0 ? 21 : kind == 2 ? 6 : 0;
  int field = 0;
  for (int group = 0; group < 4; ++group) {
    const int width = slen[group];
    const auto illegal = static_cast<uint8_t>((1 << width) - 1);
    for (int n = 0; n < kMp3LsfFieldCounts[row][kind][group]; ++n, ++field) {
      const auto value = static_cast<uint8_t>(bits.Get(width));
      if (field < longFields) {
        longBand[field] = value;
        longIllegal[field] = illegal;
        continue;
      }
      const int triplet = field - longFields;
      const int sfb = std::min((kind == 2 ? 3 : 0) + triplet / 3, 12);
      shortBand[sfb][triplet % 3] = value;
      shortIllegal[sfb] = illegal;
    }
  }
  // Bands without a field: factor 0; their intensity position follows the
  // band below (see the stereo processing).
  for (int sfb = longFields; sfb < 22 && kind == 0; ++sfb) longBand[sfb] = 0, longIllegal[sfb] = 0;
  if (kind != 0) {
    for (uint8_t& value : shortBand[12]) value = 0;
  }
}
