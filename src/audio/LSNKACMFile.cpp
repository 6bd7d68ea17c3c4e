#include "audio/LSNKACMFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "audio/LCodecBytes.h"
#include "audio/LSoundSourceBase.h"
#include "audio/WaveFileIo.h"
#include "core/FileIo.h"
#include "core/Trace.h"

namespace {

constexpr uint32_t kMaxDestBuffer = 64u << 20;  // no codec of ours needs more

int TargetChannels(const LWaveFileFormat& target) {
  return target.Channels() == 0 ? 1 : target.Channels();
}

}  // namespace

LSNKACMFile::LSNKACMFile(const std::string& path, const LWaveFileFormat& target)
    : LSoundSinkBase(target.SamplesPerSec(), TargetChannels(target)),
      format_(target),
      maxDataSize_(WaveMaxDataSize(target, 1)) {
  if (!IsError()) Open(path);
}

LSNKACMFile::~LSNKACMFile() {
  if (!fd_.Valid()) return;
  uint32_t consumed = 0;
  if (codec_ && !IsError()) Encode(LCodecStream::Mode::kEnd, consumed);
  if (!WriteWaveHeader(fd_.Get(), format_, compressed_)) Fail("final header");
}

void LSNKACMFile::Open(const std::string& path) {
  // Linux has no share modes; readers follow the file through the streaming
  // marker in the header.
  fd_.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd_.Valid()) return Fail(path.c_str());
  MarkInUse(fd_.Get(), true);
  if (!WriteWaveHeader(fd_.Get(), format_, kWaveStreamingSize) ||
      ::lseek(fd_.Get(), 0, SEEK_END) < 0) {
    return Fail("header");
  }
  const LWaveFileFormat pcm =
      LWaveFileFormat::Pcm(format_.SamplesPerSec(), Channels(), 16);
  codec_ = LCodecStream::Open(pcm, format_);
  if (!codec_) {
    errno = EINVAL;
    return Fail("no codec for the format");
  }
  const uint32_t sourceSize = 2u * static_cast<uint32_t>(Channels()) * kWaveBlockFrames;
  const uint32_t destSize = codec_->DestSizeFor(sourceSize);
  if (destSize == 0 || destSize > kMaxDestBuffer) {
    errno = EINVAL;
    return Fail("codec buffer size");
  }
  source_.resize(sourceSize);
  dest_.resize(destSize);
}

void LSNKACMFile::Write(const int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  Advance(frames);
  std::size_t left = static_cast<std::size_t>(frames) * Channels();
  while (left > 0 && !IsError()) {
    const std::size_t fit = std::min<std::size_t>(left, (source_.size() - sourceLen_) / 2);
    for (std::size_t i = 0; i < fit; ++i) StoreLe16(&source_[sourceLen_ + 2 * i], ChainTo16(buffer[i]));
    sourceLen_ += static_cast<uint32_t>(2 * fit);
    buffer += fit;
    left -= fit;
    uint32_t consumed = 0;
    if (!Encode(LCodecStream::Mode::kBlockAlign, consumed)) return;
    // A full buffer that the codec refuses would never drain.
    if (fit == 0 && consumed == 0) {
      errno = EINVAL;
      return Fail("codec takes no input");
    }
  }
}

bool LSNKACMFile::Encode(LCodecStream::Mode mode, uint32_t& consumed) {
  uint32_t used = 0;
  uint32_t made = 0;
  if (!codec_->Convert(source_.data(), sourceLen_, used, dest_.data(),
                       static_cast<uint32_t>(dest_.size()), made, mode)) {
    errno = EINVAL;
    Fail("codec");
    return false;
  }
  used = std::min(used, sourceLen_);
  made = std::min(made, static_cast<uint32_t>(dest_.size()));
  sourceLen_ -= used;
  std::memmove(source_.data(), source_.data() + used, sourceLen_);
  consumed += used;
  if (static_cast<uint64_t>(compressed_) + made > maxDataSize_) {
    errno = EFBIG;
    Fail("size limit of a WAVE file");
    return false;
  }
  if (!WriteFully(fd_.Get(), std::string_view(reinterpret_cast<const char*>(dest_.data()), made))) {
    Fail("write");
    return false;
  }
  compressed_ += made;
  return true;
}

void LSNKACMFile::Fail(const char* what) {
  const int error = errno;
  Trace("LSNKACMFile %s FAILED: %s", what, std::strerror(error));
  SetError(error);
}
