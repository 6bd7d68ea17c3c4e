#pragma once

#include <string>

#include "audio/LSoundSourceBase.h"

// Opens a sound file the way OGMs and prompts name them: ".mp3" (any case)
// as MP3, anything else as WAVE. A file that cannot be opened gives a
// source in error, which plays as nothing.
LSoundSourceRef OpenSoundFile(const std::string& path);

// Opens `path` as WAVE and, when that fails, as MP3.
LSoundSourceRef OpenWaveOrMp3(const std::string& path);
