#include "audio/LSRCNull.h"

#include <algorithm>

void LSRCNull::Read(int32_t* buffer, int32_t frames) {
  if (frames > 0) std::fill_n(buffer, frames, 0);
}
