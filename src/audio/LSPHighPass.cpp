#include "audio/LSPHighPass.h"

#include "audio/LSRCHighPass.h"

LSoundSourceRef LSPHighPass::OpenSource(LSoundSourceRef source) const {
  return new LSRCHighPass(source, frequency_);
}
