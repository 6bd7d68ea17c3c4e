#include "audio/SoundFile.h"

#include <fcntl.h>

#include <cstring>

#include "audio/LMP3Source.h"
#include "audio/LWaveFile.h"
#include "core/FileIo.h"
#include "core/TextCompare.h"
#include "core/UniqueFd.h"

namespace {

bool HasMp3Extension(const std::string& path) {
  return path.size() >= 4 && EqualIgnoringCase(std::string_view(path).substr(path.size() - 4), ".mp3");
}

bool StartsAsWave(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  char header[12];
  return fd.Valid() && ReadUpTo(fd.Get(), header, sizeof header) == sizeof header &&
         std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0;
}

}  // namespace

LSoundSourceRef OpenSoundFile(const std::string& path) {
  return HasMp3Extension(path) ? OpenMp3File(path) : LWaveFile::OpenSource(path);
}

LSoundSourceRef OpenMp3File(const std::string& path) {
  return StartsAsWave(path) ? LWaveFile::OpenSource(path) : LMP3Source::Open(path);
}

LSoundSourceRef OpenWaveOrMp3(const std::string& path) {
  LSoundSourceRef wave = LWaveFile::OpenSource(path);
  return wave->IsError() ? LMP3Source::Open(path) : wave;
}
