#include "audio/LSRCACMWave.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "audio/LCodecBytes.h"
#include "core/Trace.h"

namespace {

constexpr uint32_t kMaxSourceBuffer = 64u << 20;  // no codec of ours needs more
constexpr int32_t kDiscardFrames = 1024;

// a * mul / div without overflow for a below 2^63 and mul, div below 2^32.
uint64_t MulDiv(uint64_t a, uint64_t mul, uint64_t div) {
  return (a / div) * mul + (a % div) * mul / div;
}

}  // namespace

LSRCACMWave::LSRCACMWave(UniqueFd fd, const LWaveFileFormat& format, uint32_t dataSize)
    : LSoundSourceBase(static_cast<int32_t>(format.SamplesPerSec()), format.Channels(),
                       kFullScale16),
      fd_(std::move(fd)),
      dataSize_(dataSize),
      avgBytes_(std::max<uint32_t>(
          format.AvgBytesPerSec() == 0 ? format.SamplesPerSec() : format.AvgBytesPerSec(), 1)),
      blockAlign_(std::max<uint32_t>(format.BlockAlign(), 1)),
      frameBytes_(2u * static_cast<uint32_t>(Channels())) {
  dataStart_ = ::lseek(fd_.Get(), 0, SEEK_CUR);
  if (dataStart_ < 4) SetError();  // the data size lies just before the data
  if (!IsError()) Open(format);
}

void LSRCACMWave::Open(const LWaveFileFormat& format) {
  const LWaveFileFormat pcm = LWaveFileFormat::Pcm(format.SamplesPerSec(), Channels(), 16);
  codec_ = LCodecStream::Open(format, pcm);
  if (!codec_) {
    Trace("LSRCACMWave No codec for format tag %u, %u bits FAILED", format.Tag(),
          format.BitsPerSample());
    return SetError();
  }
  const uint32_t destSize = frameBytes_ * kWaveBlockFrames;
  const uint32_t sourceSize = codec_->SourceSizeFor(destSize);
  if (sourceSize == 0 || sourceSize > kMaxSourceBuffer) {
    Trace("LSRCACMWave Codec source size %u FAILED", sourceSize);
    return SetError();
  }
  source_.resize(sourceSize);
  dest_.resize(destSize);
  discard_.resize(static_cast<std::size_t>(kDiscardFrames) * Channels());
}

void LSRCACMWave::Read(int32_t* buffer, int32_t frames) {
  if (frames <= 0) return;
  ReadWaveFrames(buffer, frames, Channels(), IsError(), position_,
                 [this](int32_t* out, int32_t count) {
                   return Deliver(out, static_cast<uint64_t>(count) * frameBytes_);
                 });
}

std::size_t LSRCACMWave::Deliver(int32_t* out, uint64_t wanted) {
  std::size_t done = 0;
  for (;;) {
    const auto take = static_cast<uint32_t>(std::min<uint64_t>(destLen_, wanted) / 2);
    for (uint32_t i = 0; i < take; ++i) out[done + i] = ChainFrom16(LoadLe16(&dest_[2 * i]));
    destLen_ -= 2 * take;
    std::memmove(dest_.data(), dest_.data() + 2 * take, destLen_);
    done += take;
    wanted -= 2 * take;
    if (wanted < 2 || end_ >= 0) return done;
    if (!Refill()) {
      end_ = ClampFrames(position_ - static_cast<int64_t>(wanted / frameBytes_));
      return done;
    }
  }
}

bool LSRCACMWave::Refill() {
  std::size_t room = source_.size() - sourceLen_;
  if (dataSize_ != kWaveStreamingSize) {
    room = std::min<uint64_t>(room, dataSize_ > bytesRead_ ? dataSize_ - bytesRead_ : 0);
  }
  const std::size_t arrived = ReadUpTo(fd_.Get(), source_.data() + sourceLen_, room);
  sourceLen_ += static_cast<uint32_t>(arrived);
  bytesRead_ += arrived;
  uint32_t consumed = 0;
  uint32_t produced = 0;
  if (!Decode(LCodecStream::Mode::kBlockAlign, consumed, produced)) return false;
  // A source buffer that is not full means the file is exhausted: flush the
  // codec's last partial block.
  if (produced == 0 && sourceLen_ + consumed < source_.size() &&
      !Decode(LCodecStream::Mode::kEnd, consumed, produced)) {
    return false;
  }
  // A codec that neither takes nor gives anything is finished (or stuck).
  return produced > 0 || consumed > 0;
}

bool LSRCACMWave::Decode(LCodecStream::Mode mode, uint32_t& consumed, uint32_t& produced) {
  const uint32_t room = static_cast<uint32_t>(dest_.size()) - destLen_;
  uint32_t used = 0;
  uint32_t made = 0;
  const bool ok = codec_->Convert(source_.data(), sourceLen_, used, dest_.data() + destLen_, room,
                                  made, mode);
  used = std::min(used, sourceLen_);
  made = std::min(made, room);
  sourceLen_ -= used;
  std::memmove(source_.data(), source_.data() + used, sourceLen_);
  destLen_ += made;
  consumed += used;
  produced += made;
  return ok;
}

void LSRCACMWave::Seek(int32_t frame) {
  if (IsError()) return;
  uint32_t used = 0;
  uint32_t made = 0;
  codec_->Convert(source_.data(), 0, used, dest_.data(), 0, made, LCodecStream::Mode::kStart);
  sourceLen_ = 0;
  destLen_ = 0;
  end_ = -1;
  RefreshDataSize();
  const auto rate = static_cast<uint64_t>(SampleRate());
  uint64_t offset = 0;
  if (frame > 0) {
    offset = OffsetOfFrame(static_cast<uint64_t>(frame));
    const uint64_t length = DataLength();
    if (offset < length) {
      offset -= offset % blockAlign_;
    } else {
      offset = length;
      end_ = ClampFrames(static_cast<int64_t>(MulDiv(length, rate, avgBytes_)));
    }
  }
  // The byte count starts where reading starts, so the data size still
  // bounds what is read after the seek.
  bytesRead_ = offset;
  ::lseek(fd_.Get(), dataStart_ + static_cast<off_t>(offset), SEEK_SET);
  if (end_ < 0 && frame > 0) {
    position_ = FrameOfBlock(offset);
    const int64_t gap = static_cast<int64_t>(frame) - position_;
    if (gap >= 1 && gap <= kWaveBlockFrames) Discard(static_cast<int32_t>(gap));
  }
  position_ = frame;
}

// Where a block holds several bytes, the average byte rate is rounded: whole
// blocks of a whole number of frames are counted instead, so that
// decode-and-discard lands exactly (a floored 504.99 frames per block would
// put every seek a frame further off per block).
uint64_t LSRCACMWave::FramesPerBlock() const {
  const auto rate = static_cast<uint64_t>(SampleRate());
  return std::max<uint64_t>(1, (blockAlign_ * rate + avgBytes_ / 2) / avgBytes_);
}

uint64_t LSRCACMWave::OffsetOfFrame(uint64_t frame) const {
  if (blockAlign_ == 1) return MulDiv(frame, avgBytes_, static_cast<uint64_t>(SampleRate()));
  return frame / FramesPerBlock() * blockAlign_;
}

int32_t LSRCACMWave::FrameOfBlock(uint64_t offset) const {
  const auto rate = static_cast<uint64_t>(SampleRate());
  if (blockAlign_ == 1) return ClampFrames(static_cast<int64_t>(MulDiv(offset, rate, avgBytes_)));
  return ClampFrames(static_cast<int64_t>(offset / blockAlign_ * FramesPerBlock()));
}

void LSRCACMWave::Discard(int32_t frames) {
  while (frames > 0) {
    const int32_t block = std::min(frames, kDiscardFrames);
    Read(discard_.data(), block);
    frames -= block;
  }
}

int32_t LSRCACMWave::GetEndSample() {
  if (end_ >= 0) return end_;
  if (IsError()) return 0;
  RefreshDataSize();
  const auto rate = static_cast<uint64_t>(SampleRate());
  const uint64_t length = DataLength();
  const uint64_t unconsumed = (length > bytesRead_ ? length - bytesRead_ : 0) + sourceLen_;
  const int64_t known = std::max(position_, 0) + static_cast<int64_t>(destLen_ / frameBytes_);
  const auto blockFrames = static_cast<int64_t>(
      (static_cast<uint64_t>(blockAlign_) * rate + avgBytes_ - 1) / avgBytes_);
  const int64_t estimate = known + static_cast<int64_t>(MulDiv(unconsumed, rate, avgBytes_)) -
                           blockFrames;
  // Until a read has found the real end, never claim it was reached: a pump
  // that stopped on a low estimate would cut off the last decoded frames.
  return ClampFrames(std::max(estimate, known + 1));
}

void LSRCACMWave::RefreshDataSize() {
  if (dataSize_ != kWaveStreamingSize) return;
  uint8_t raw[4];
  if (ReadUpToAt(fd_.Get(), raw, sizeof raw, dataStart_ - 4) == sizeof raw) {
    dataSize_ = LoadLeU32(raw);
  }
}

uint64_t LSRCACMWave::DataLength() const {
  if (dataSize_ != kWaveStreamingSize) return dataSize_;
  return static_cast<uint64_t>(std::max<int64_t>(FileSize(fd_.Get()) - dataStart_, 0));
}
