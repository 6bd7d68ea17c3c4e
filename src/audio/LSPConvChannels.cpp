#include "audio/LSPConvChannels.h"

#include "audio/LSRCMonoToStereo.h"
#include "audio/LSRCStereoToMono.h"

LSoundSourceRef LSPConvChannels::OpenSource(LSoundSourceRef source) const {
  if (source->IsError()) return source;
  if (source->Channels() == 2 && channels_ == 1) return new LSRCStereoToMono(source);
  if (source->Channels() == 1 && channels_ == 2) return new LSRCMonoToStereo(source);
  return source;
}
