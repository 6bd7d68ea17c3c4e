#include "audio/LSPGain.h"

#include "audio/LSRCGain.h"

LSoundSourceRef LSPGain::OpenSource(LSoundSourceRef source) const {
  return new LSRCGain(source, db_);
}
