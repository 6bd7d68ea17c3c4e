#include "audio/AutoGainCurve.h"

#include <algorithm>
#include <cmath>

AutoGainCurve::AutoGainCurve(int lowerKnee, double slope, int upperKnee) {
  for (int level = -128; level <= 127; ++level) {
    double gain = level * slope;
    if (level < lowerKnee) gain = lowerKnee * slope;
    if (level >= upperKnee) gain = upperKnee * slope - (level - upperKnee);
    table_[static_cast<std::size_t>(level + 128)] =
        static_cast<int8_t>(std::clamp<long>(std::lround(gain), -127, 127));
  }
}

int AutoGainCurve::operator()(int level) const {
  return table_[static_cast<std::size_t>(std::clamp(level, -128, 127) + 128)];
}
