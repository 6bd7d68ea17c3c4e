#pragma once

#include <string>

#include "audio/LProgressProcess.h"
#include "audio/LWaveFileFormat.h"

class LProcessListThread;
class LProgress;

// Imports a WAVE or MP3 file (".mp3" in any case) into the line format
// (16-bit PCM, 8000 Hz, mono) at `out`, then queues `out` for levelling when
// a work list is given. False when the input cannot be read or the copy was
// cancelled or failed; `out` is then incomplete.
bool LoadAudioFile(const std::string& in, const std::string& out, LProgress& progress,
                   LProcessListThread* levelling);

// Re-encodes the WAVE file at `path` in `format` through a temporary file
// that replaces it only when complete.
class LPRCompressWav {
 public:
  LPRCompressWav(LWaveFileFormat format, std::string path)
      : format_(std::move(format)), path_(std::move(path)) {}

  ProcessResult Process(LProgress& progress);
  // Whether the temporary file is gone afterwards (moved or deleted).
  bool TempRemoved() const { return tempRemoved_; }

 private:
  LWaveFileFormat format_;
  std::string path_;
  bool tempRemoved_ = false;
};
