#include "audio/LSNKPCMFileBase.h"

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

LSNKPCMFileBase::LSNKPCMFileBase(const std::string& path, uint32_t sampleRate,
                                 int32_t startFrame, int bytesPerSample, int channels)
    : LSoundSinkBase(sampleRate, channels),
      format_(LWaveFileFormat::Pcm(sampleRate, Channels(), 8 * bytesPerSample)),
      blockAlign_(format_.BlockAlign()),
      maxDataSize_(WaveMaxDataSize(format_, blockAlign_)) {
  buffer_.resize(static_cast<std::size_t>(kWaveBlockFrames) * blockAlign_);
  if (!IsError()) Open(path, startFrame);
}

LSNKPCMFileBase::~LSNKPCMFileBase() {
  if (fd_.Valid() && !WriteWaveHeader(fd_.Get(), format_, static_cast<uint32_t>(dataBytes_))) {
    Fail("final header");
  }
}

void LSNKPCMFileBase::Open(const std::string& path, int32_t startFrame) {
  // Linux has no share modes; readers follow the file through the streaming
  // marker in the header.
  fd_.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
  if (!fd_.Valid()) return Fail(path.c_str());
  MarkInUse(fd_.Get(), true);
  if (!WriteWaveHeader(fd_.Get(), format_, kWaveStreamingSize)) return Fail("header");
  // Only whole frames that the file really holds are kept, so the position
  // always matches the samples behind the header.
  const int64_t present = std::max<int64_t>(FileSize(fd_.Get()) - kHeaderBytes, 0);
  const int64_t kept = std::min<int64_t>(std::max(startFrame, 0), present / blockAlign_);
  dataBytes_ = kept * blockAlign_;
  SetPosition(static_cast<int32_t>(kept));
  const off_t end = static_cast<off_t>(kHeaderBytes + dataBytes_);
  if (::lseek(fd_.Get(), end, SEEK_SET) != end || ::ftruncate(fd_.Get(), end) != 0) {
    Fail("truncate");
  }
}

void LSNKPCMFileBase::Write(const int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  Advance(frames);
  while (frames > 0 && !IsError()) {
    const int32_t block = std::min(frames, kWaveBlockFrames);
    WriteBlock(buffer, block);
    buffer += static_cast<std::size_t>(block) * Channels();
    frames -= block;
  }
}

void LSNKPCMFileBase::WriteBlock(const int32_t* buffer, int32_t frames) {
  const std::size_t bytes = static_cast<std::size_t>(frames) * blockAlign_;
  if (dataBytes_ + static_cast<int64_t>(bytes) > maxDataSize_) {
    errno = EFBIG;
    return Fail("size limit of a WAVE file");
  }
  Convert(buffer, buffer_.data(), static_cast<std::size_t>(frames) * Channels());
  if (!WriteFully(fd_.Get(), std::string_view(reinterpret_cast<const char*>(buffer_.data()), bytes))) {
    const int error = errno;
    KeepWholeFrames(static_cast<int64_t>(bytes));
    errno = error;
    return Fail("write");
  }
  dataBytes_ += static_cast<int64_t>(bytes);
}

// A full disk may have taken the start of the block: its whole frames stay,
// a partial frame goes.
void LSNKPCMFileBase::KeepWholeFrames(int64_t attempted) {
  const int64_t written = FileSize(fd_.Get()) - kHeaderBytes - dataBytes_;
  dataBytes_ += std::clamp<int64_t>(written / blockAlign_ * blockAlign_, 0, attempted);
  if (::ftruncate(fd_.Get(), static_cast<off_t>(kHeaderBytes + dataBytes_)) != 0) {
    Trace("LSNKPCMFileBase cannot cut a partial frame: %s", std::strerror(errno));
  }
}

void LSNKPCMFileBase::Truncate(int32_t frame) {
  if (!fd_.Valid() || frame > Position()) return;
  frame = std::max(frame, 0);
  SetPosition(frame);
  dataBytes_ = std::min<int64_t>(dataBytes_, static_cast<int64_t>(frame) * blockAlign_);
  const off_t end = static_cast<off_t>(kHeaderBytes + dataBytes_);
  if (::lseek(fd_.Get(), end, SEEK_SET) != end || ::ftruncate(fd_.Get(), end) != 0) {
    Fail("truncate");
  }
}

void LSNKPCMFileBase::Fail(const char* what) {
  const int error = errno;
  Trace("LSNKPCMFileBase %s FAILED: %s", what, std::strerror(error));
  SetError(error);
}

void LSNKPCMFile8::Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const {
  for (std::size_t i = 0; i < samples; ++i) bytes[i] = ChainTo8(in[i]);
}

void LSNKPCMFileWide::Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const {
  const auto width = static_cast<std::size_t>(width_);
  for (std::size_t i = 0; i < samples; ++i) {
    const auto u = static_cast<uint32_t>(ChainTo32(in[i]));
    for (std::size_t b = 0; b < width; ++b) bytes[width * i + b] = static_cast<uint8_t>(u >> (8 * (4 - width + b)));
  }
}

void LSNKPCMFile16::Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const {
  for (std::size_t i = 0; i < samples; ++i) StoreLe16(bytes + 2 * i, ChainTo16(in[i]));
}
