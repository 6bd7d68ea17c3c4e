#include "audio/LSPPeakLimit.h"

#include "audio/LSRCPeakLimit.h"

LSoundSourceRef LSPPeakLimit::OpenSource(LSoundSourceRef source) const {
  if (source->MaxLevel() <= limit_) return source;
  return new LSRCPeakLimit(source, limit_);
}
