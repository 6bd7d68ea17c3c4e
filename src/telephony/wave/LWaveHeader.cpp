#include "telephony/wave/LWaveHeader.h"

void LWaveHeader::Prepare(int16_t* buffer, uint32_t bytes) {
  data = buffer;
  bufferLength = bytes;
  bytesRecorded = 0;
  loops = 0;
  flags.store(kPrepared | kDone);
}

bool LWaveHeader::Unprepare() {
  if (IsQueued()) return false;
  flags.fetch_and(~kPrepared);
  return true;
}
