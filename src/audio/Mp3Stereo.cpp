#include "audio/Mp3Stereo.h"

#include <algorithm>
#include <cmath>

#include "audio/MP3Header.h"
#include "audio/Mp3ScaleFactors.h"
#include "audio/Mp3SideInfo.h"
#include "audio/Mp3Tables.h"

namespace {

const float kHalfRoot = static_cast<float>(std::sqrt(0.5));

struct IntensityContext {
  const MP3Header& header;
  const Mp3GranuleInfo& info;
  float* left;
  float* right;
  bool* done;  // lines handled by intensity stereo
};

bool AnyNonzero(const float* lines, int from, int to) {
  return std::any_of(lines + from, lines + to, [](float v) { return v != 0.0f; });
}

// Left and right gains of an intensity position.
void IntensityGains(const IntensityContext& c, int position, float& gainLeft, float& gainRight) {
  if (c.header.version == 0) {
    if (position == 6) {
      gainLeft = 1.0f, gainRight = 0.0f;
      return;
    }
    const double ratio = std::tan(position * M_PI / 12.0);
    gainLeft = static_cast<float>(ratio / (1.0 + ratio));
    gainRight = static_cast<float>(1.0 / (1.0 + ratio));
    return;
  }
  const double base = (c.info.scalefacCompress & 1) != 0 ? std::sqrt(0.5) : std::exp2(-0.25);
  gainLeft = gainRight = 1.0f;
  if (position % 2 == 1) gainLeft = static_cast<float>(std::pow(base, (position + 1) / 2));
  if (position != 0 && position % 2 == 0)
    gainRight = static_cast<float>(std::pow(base, position / 2));
}

// Intensity coding of lines [from, to) at `position`; an illegal position
// leaves the band to middle/side processing.
void IntensityRun(const IntensityContext& c, int from, int to, int position, int illegal) {
  if (position == illegal || from >= to) return;
  float gainLeft = 1.0f;
  float gainRight = 1.0f;
  IntensityGains(c, position, gainLeft, gainRight);
  for (int i = from; i < to; ++i) {
    const float value = c.left[i];
    c.left[i] = value * gainLeft;
    c.right[i] = value * gainRight;
    c.done[i] = true;
  }
}

// Long bands from the one above the right channel's last nonzero line
// up to `limit` lines.
void IntensityLong(const IntensityContext& c, const Mp3ScaleFactors& f, int limit) {
  const int16_t* bands = kMp3LongBands[c.header.RateIndex()];
  int first = 0;
  for (int sfb = 21; sfb >= 0; --sfb) {
    if (bands[sfb] < limit &&
        AnyNonzero(c.right, bands[sfb], std::min<int>(bands[sfb + 1], limit))) {
      first = sfb + 1;
      break;
    }
  }
  for (int sfb = first; sfb < 22 && bands[sfb] < limit; ++sfb) {
    const int source = std::min(sfb, 20);  // the top band takes the one below
    IntensityRun(c, bands[sfb], std::min<int>(bands[sfb + 1], limit), f.longBand[source],
                 f.longIllegal[source]);
  }
}

// Short bands window by window; returns true when no window of the short
// part has nonzero right-channel lines.
bool IntensityShort(const IntensityContext& c, const Mp3ScaleFactors& f, int firstBand) {
  const int16_t* bands = kMp3ShortBands[c.header.RateIndex()];
  bool empty = true;
  for (int window = 0; window < 3; ++window) {
    int first = firstBand;
    for (int sfb = 12; sfb >= firstBand; --sfb) {
      const int width = bands[sfb + 1] - bands[sfb];
      const int from = 3 * bands[sfb] + window * width;
      if (AnyNonzero(c.right, from, from + width)) {
        first = sfb + 1;
        empty = false;
        break;
      }
    }
    for (int sfb = first; sfb < 13; ++sfb) {
      const int width = bands[sfb + 1] - bands[sfb];
      const int from = 3 * bands[sfb] + window * width;
      const int source = std::min(sfb, 11);
      IntensityRun(c, from, from + width, f.shortBand[source][window], f.shortIllegal[source]);
    }
  }
  return empty;
}

}  // namespace

void Mp3Stereo::Process(const MP3Header& header, const Mp3GranuleInfo& rightInfo,
                        const Mp3ScaleFactors& rightFactors, float* left, float* right,
                        int nonzero[2]) {
  if (header.mode != MP3Header::kJointStereo) return;
  const bool middleSide = (header.modeExtension & 2) != 0;
  const bool intensity = (header.modeExtension & 1) != 0;
  // Intensity coding copies the left channel, so nothing beyond either
  // channel's nonzero lines becomes nonzero.
  const int count = std::max(nonzero[0], nonzero[1]);
  bool done[kMp3GranuleLines] = {};
  if (intensity) {
    const IntensityContext context{header, rightInfo, left, right, done};
    if (!rightInfo.IsShort()) {
      IntensityLong(context, rightFactors, kMp3GranuleLines);
    } else if (IntensityShort(context, rightFactors, rightInfo.mixed ? 3 : 0) && rightInfo.mixed) {
      IntensityLong(context, rightFactors, kMp3MixedLongLines);
    }
  }
  if (middleSide) {
    for (int i = 0; i < count; ++i) {
      if (done[i]) continue;
      const float middle = left[i];
      const float side = right[i];
      left[i] = (middle + side) * kHalfRoot;
      right[i] = (middle - side) * kHalfRoot;
    }
  }
  nonzero[0] = nonzero[1] = count;
}
