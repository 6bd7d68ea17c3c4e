#pragma once

#include "audio/LSPAdapter.h"

// Fits a source to a channel count. Only mono <-> stereo is converted; a
// source in error, a count of 0, an equal count or any other pair is
// returned unchanged.
class LSPConvChannels final : public LSPAdapter {
 public:
  explicit LSPConvChannels(int channels) : channels_(channels) {}
  LSoundSourceRef OpenSource(LSoundSourceRef source) const override;

 private:
  int channels_;
};
