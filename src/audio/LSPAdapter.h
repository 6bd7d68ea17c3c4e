#pragma once

#include "audio/LSoundSourceBase.h"

// A source adapter: holds its parameters (a channel count, a rate, a limit,
// a frequency, a gain) and returns the source unchanged when nothing needs
// doing, else a new filter wrapping it. Chains are built by assigning the
// result back: source = LSPConvChannels(1).OpenSource(source).
class LSPAdapter {
 public:
  virtual ~LSPAdapter() = default;
  virtual LSoundSourceRef OpenSource(LSoundSourceRef source) const = 0;
};
