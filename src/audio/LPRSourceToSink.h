#pragma once

#include <cstdint>
#include <string>

#include "audio/LProgressProcess.h"
#include "audio/LSoundSinkBase.h"
#include "audio/LSoundSourceBase.h"

// Pumps a source into a sink in blocks of 8192 frames, first fitting the
// source to the sink's channels and rate and limiting its peaks to 16-bit
// full scale. The sink's output is finished only when its last handle goes,
// so callers drop this object (and their own handles) before using it.
class LPRSourceToSink : public LProgressProcess {
 public:
  static constexpr int32_t kBlockFrames = 8192;

  // A null sink counts as a sink in error.
  LPRSourceToSink(std::string title, LSoundSourceRef source, LSoundSinkRef sink);

  // kProcessDone when the whole source was written, kProcessCancelled when
  // the progress asked to stop, kProcessFailed when the source or the sink
  // is in error (nothing written) or the sink failed while it was written.
  ProcessResult Process(LProgress& progress);
  bool Run(LProgress& progress) override { return Process(progress) == kProcessDone; }

 private:
  LSoundSourceRef source_;
  LSoundSinkRef sink_;
};

// Pumps `source` into `sink`, the caller's only handle to it, and releases
// the sink, which finishes its file: kProcessFailed also when finishing
// failed (a codec's last block or the final header could not be written).
ProcessResult PumpAndFinish(std::string title, LSoundSourceRef source, LSoundSinkRef sink,
                            LProgress& progress);
