#include "audio/LSPConvertRate.h"

#include "audio/LSRCConvertRate.h"

LSoundSourceRef LSPConvertRate::OpenSource(LSoundSourceRef source) const {
  if (source->IsError() || source->SampleRate() == sampleRate_) return source;
  return new LSRCConvertRate(source, sampleRate_);
}
