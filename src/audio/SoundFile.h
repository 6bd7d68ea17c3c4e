#pragma once

#include <string>

#include "audio/LSoundSourceBase.h"

// Opens a sound file the way OGMs and prompts name them: ".mp3" (any case)
// as OpenMp3File does, anything else as WAVE. A file that cannot be opened
// gives a source in error, which plays as nothing.
LSoundSourceRef OpenSoundFile(const std::string& path);

// An MP3 file, or a WAVE file kept under an MP3 name (a loaded IVR program
// converts its MP3 items to WAVE data and keeps their names): a file that
// starts with a RIFF WAVE header is read as WAVE.
LSoundSourceRef OpenMp3File(const std::string& path);

// Opens `path` as WAVE and, when that fails, as MP3.
LSoundSourceRef OpenWaveOrMp3(const std::string& path);
