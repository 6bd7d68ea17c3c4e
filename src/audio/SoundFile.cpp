#include "audio/SoundFile.h"

#include "audio/LMP3Source.h"
#include "audio/LWaveFile.h"
#include "core/TextCompare.h"

namespace {

bool HasMp3Extension(const std::string& path) {
  return path.size() >= 4 && EqualIgnoringCase(std::string_view(path).substr(path.size() - 4), ".mp3");
}

}  // namespace

LSoundSourceRef OpenSoundFile(const std::string& path) {
  return HasMp3Extension(path) ? LMP3Source::Open(path) : LWaveFile::OpenSource(path);
}

LSoundSourceRef OpenWaveOrMp3(const std::string& path) {
  LSoundSourceRef wave = LWaveFile::OpenSource(path);
  return wave->IsError() ? LMP3Source::Open(path) : wave;
}
