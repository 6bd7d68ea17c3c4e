#include "audio/LSRCFilterBase.h"

LSRCFilterBase::LSRCFilterBase(LSoundSourceRef upstream)
    : LSoundSourceBase(upstream->SampleRate(), upstream->Channels(), upstream->MaxLevel()),
      upstream_(std::move(upstream)) {
  if (upstream_->IsError()) SetError();
}
