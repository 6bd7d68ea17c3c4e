#include "audio/LSRCGain.h"

#include "audio/GainProduct.h"
#include "audio/GainTable.h"

LSRCGain::LSRCGain(LSoundSourceRef upstream, int8_t db)
    : LSRCFilterBase(std::move(upstream)), gain_(GainTable::Amplitude(db)) {
  if (db > 0) SetMaxLevel(kRaisedMaxLevel);
}

void LSRCGain::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  Upstream().Read(buffer, frames);
  ApplyGain(buffer, frames * Channels(), gain_);
}
