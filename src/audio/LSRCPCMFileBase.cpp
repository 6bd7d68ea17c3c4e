#include "audio/LSRCPCMFileBase.h"

#include <unistd.h>

#include <algorithm>

#include "audio/LCodecBytes.h"
#include "audio/WaveFileIo.h"

LSRCPCMFileBase::LSRCPCMFileBase(UniqueFd fd, int32_t sampleRate, uint32_t dataSize,
                                 int bytesPerSample, int channels)
    : LSoundSourceBase(sampleRate, channels, kFullScale16), fd_(std::move(fd)) {
  const int align = Channels() * bytesPerSample;
  blockAlign_ = align == 0 ? 2 : static_cast<uint32_t>(align);
  dataStart_ = ::lseek(fd_.Get(), 0, SEEK_CUR);
  if (dataStart_ < 4) SetError();  // the data size lies just before the data
  if (dataSize != kWaveStreamingSize) end_ = ClampFrames(dataSize / blockAlign_);
  buffer_.resize(static_cast<std::size_t>(kWaveBlockFrames) * blockAlign_);
}

// Blocks beyond the buffer's 8192 frames are read one buffer at a time.
void LSRCPCMFileBase::Read(int32_t* buffer, int32_t frames) {
  while (frames > 0) {
    const int32_t block = std::min(frames, kWaveBlockFrames);
    ReadBlock(buffer, block);
    buffer += static_cast<std::size_t>(block) * Channels();
    frames -= block;
  }
}

void LSRCPCMFileBase::ReadBlock(int32_t* buffer, int32_t frames) {
  ReadWaveFrames(buffer, frames, Channels(), IsError(), position_,
                 [this](int32_t* out, int32_t count) {
                   // Frames past a known end are not read.
                   const int32_t beyond = end_ >= 0 && end_ < position_ ? position_ - end_ : 0;
                   const int32_t arrived = ReadFrames(out, std::max(0, count - beyond));
                   return static_cast<std::size_t>(arrived) * Channels();
                 });
}

int32_t LSRCPCMFileBase::ReadFrames(int32_t* out, int32_t frames) {
  if (frames <= 0) return 0;
  const std::size_t bytes = ReadUpTo(fd_.Get(), buffer_.data(), frames * blockAlign_);
  // A frame cut in half (a writer caught mid-write) is read again next time,
  // so the samples never slip out of step with their channels.
  const std::size_t partial = bytes % blockAlign_;
  if (partial != 0) ::lseek(fd_.Get(), -static_cast<off_t>(partial), SEEK_CUR);
  const auto whole = static_cast<int32_t>(bytes / blockAlign_);
  Convert(buffer_.data(), out, static_cast<std::size_t>(whole) * Channels());
  return whole;
}

void LSRCPCMFileBase::Seek(int32_t frame) {
  if (IsError()) return;
  position_ = frame;
  const int32_t end = GetEndSample();
  const int64_t target = frame < 1 ? 0 : std::min(frame, end);
  ::lseek(fd_.Get(), dataStart_ + static_cast<off_t>(target * blockAlign_), SEEK_SET);
}

int32_t LSRCPCMFileBase::GetEndSample() {
  if (end_ >= 0 || IsError()) return std::max(end_, 0);
  uint8_t raw[4];
  if (ReadUpToAt(fd_.Get(), raw, sizeof raw, dataStart_ - 4) == sizeof raw &&
      LoadLeU32(raw) != kWaveStreamingSize) {
    end_ = ClampFrames(LoadLeU32(raw) / blockAlign_);  // the writer has finished
    return end_;
  }
  const int64_t onDisk = std::max<int64_t>(FileSize(fd_.Get()) - dataStart_, 0);
  return ClampFrames(onDisk / blockAlign_);
}

void LSRCPCMFile8::Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const {
  for (std::size_t i = 0; i < samples; ++i) out[i] = ChainFrom8(bytes[i]);
}

void LSRCPCMFileWide::Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const {
  const auto width = static_cast<uint32_t>(width_);
  for (std::size_t i = 0; i < samples; ++i) out[i] = ChainFrom32(LoadLeftJustified(bytes + width * i, width));
}

void LSRCPCMFile16::Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const {
  for (std::size_t i = 0; i < samples; ++i) out[i] = ChainFrom16(LoadLe16(bytes + 2 * i));
}
