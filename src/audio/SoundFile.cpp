#include "audio/SoundFile.h"

#include "audio/LSRCNull.h"
#include "audio/LWaveFile.h"
#include "core/TextCompare.h"
#include "core/Trace.h"

namespace {

LSoundSourceRef OpenMp3(const std::string& path) {
  Trace("OpenSoundFile no MP3 decoder for \"%s\"", path.c_str());
  return new LSRCNull;
}

bool HasMp3Extension(const std::string& path) {
  return path.size() >= 4 && EqualIgnoringCase(std::string_view(path).substr(path.size() - 4), ".mp3");
}

}  // namespace

LSoundSourceRef OpenSoundFile(const std::string& path) {
  return HasMp3Extension(path) ? OpenMp3(path) : LWaveFile::OpenSource(path);
}

LSoundSourceRef OpenWaveOrMp3(const std::string& path) {
  LSoundSourceRef wave = LWaveFile::OpenSource(path);
  return wave->IsError() ? OpenMp3(path) : wave;
}
