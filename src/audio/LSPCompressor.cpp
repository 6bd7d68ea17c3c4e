#include "audio/LSPCompressor.h"

#include "audio/LSRCCompressor.h"

LSoundSourceRef LSPCompressor::OpenSource(LSoundSourceRef source) const {
  return new LSRCCompressor(source, thresholdDb_, ratio_, windowMs_);
}
