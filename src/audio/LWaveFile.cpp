#include "audio/LWaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audio/LSNKACMFile.h"
#include "audio/LSNKPCMFileBase.h"
#include "audio/LSRCACMWave.h"
#include "audio/LSRCNull.h"
#include "audio/LSRCPCMFileBase.h"
#include "audio/LWaveFileFormat.h"
#include "audio/WaveFileIo.h"
#include "core/FileIo.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"

namespace {

constexpr uint32_t kMaxRate = 196000;

bool Supported(const LWaveFileFormat& format) {
  return format.Channels() >= 1 && format.Channels() <= 255 && format.SamplesPerSec() >= 1 &&
         format.SamplesPerSec() <= kMaxRate;
}

LSoundSourceRef SourceFor(UniqueFd fd, const LWaveFileFormat& format, uint32_t dataSize) {
  const auto rate = static_cast<int32_t>(format.SamplesPerSec());
  const int channels = format.Channels();
  const uint16_t bits = format.BitsPerSample();
  if (format.Tag() == LWaveFileFormat::kTagPcm && bits >= 1 && bits <= 8) {
    return new LSRCPCMFile8(std::move(fd), rate, dataSize, channels);
  }
  if (format.Tag() == LWaveFileFormat::kTagPcm && bits >= 9 && bits <= 16) {
    return new LSRCPCMFile16(std::move(fd), rate, dataSize, channels);
  }
  if (format.Tag() == LWaveFileFormat::kTagPcm && (bits == 24 || bits == 32) &&
      format.BlockAlign() == bits / 8 * channels) {
    return new LSRCPCMFileWide(std::move(fd), rate, dataSize, bits / 8, channels);
  }
  LSoundSourceRef codec = new LSRCACMWave(std::move(fd), format, dataSize);
  if (codec->IsError()) return new LSRCNull;
  return codec;
}

// Linux has no share modes: a recorder may keep appending to the file while
// it is read, which the streaming marker tells the source. Not blocking in
// open() on a FIFO or device: only regular files are read.
UniqueFd OpenRegularFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return UniqueFd();
  MarkInUse(fd.Get(), false);
  return fd;
}

}  // namespace

bool LWaveFile::ReadFormat(const std::string& path, LWaveFileFormat& format) {
  UniqueFd fd = OpenRegularFile(path);
  return fd.Valid() && FindWaveForm(fd.Get()) && ReadWaveFmtChunk(fd.Get(), format);
}

LSoundSourceRef LWaveFile::OpenSource(const std::string& path) {
  UniqueFd fd = OpenRegularFile(path);
  if (!fd.Valid()) return new LSRCNull;
  ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  LWaveFileFormat format;
  WaveChunkHeader data{};
  if (!FindWaveForm(fd.Get()) || !ReadWaveFmtChunk(fd.Get(), format) ||
      !FindWaveChunk(fd.Get(), "data", data) || !Supported(format)) {
    Trace("LWaveFile::OpenSource %s is not a WAVE file we can read", path.c_str());
    return new LSRCNull;
  }
  return SourceFor(std::move(fd), format, data.size);
}

LSoundSinkRef LWaveFile::OpenSinkPCM(const std::string& path, uint32_t sampleRate,
                                     int32_t startFrame, int bits, int channels) {
  if (bits >= 1 && bits <= 8) return new LSNKPCMFile8(path, sampleRate, startFrame, channels);
  if (bits >= 9 && bits <= 16) return new LSNKPCMFile16(path, sampleRate, startFrame, channels);
  if (bits == 24 || bits == 32) {
    return new LSNKPCMFileWide(path, sampleRate, startFrame, bits / 8, channels);
  }
  return LSoundSinkRef();
}

LSoundSinkRef LWaveFile::OpenSink(const std::string& path, const LWaveFileFormat& format) {
  // 24- and 32-bit PCM keep the chain's precision; other PCM depths are
  // written by the codec set, like every compressed format.
  const uint16_t bits = format.BitsPerSample();
  if (format.Tag() == LWaveFileFormat::kTagPcm && (bits <= 16 || bits == 24 || bits == 32)) {
    return OpenSinkPCM(path, format.SamplesPerSec(), 0, format.BitsPerSample(), format.Channels());
  }
  return new LSNKACMFile(path, format);
}
