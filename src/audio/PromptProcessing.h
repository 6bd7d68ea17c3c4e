#pragma once

#include <string>

#include "audio/LSoundSourceBase.h"

// The processing the call engine puts in front of every prompt it plays,
// from the [settings] section of the settings file, read on every call so
// that edits take effect at the next prompt, in this order:
//   "audiohighpass" (Hz, default 0): above 20, a high-pass at that frequency;
//   "audiocompressorthres" (dB, default 0): below -2, a 3:1 compressor with
//     that threshold and a 50 ms window;
//   "audiogain" (dB, default 0): above 1 or below -1, that fixed gain.
// The player's peak limiter keeps the result in the 16-bit range.
LSoundSourceRef ApplyPromptProcessing(const std::string& settingsFile, LSoundSourceRef source);
