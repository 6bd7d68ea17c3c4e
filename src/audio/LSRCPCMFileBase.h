#pragma once

#include <sys/types.h>

#include <cstdint>
#include <vector>

#include "audio/LSoundSourceBase.h"
#include "core/UniqueFd.h"

// A PCM WAVE file read from its "data" chunk, one file read per block. A data
// size of 0xFFFFFFFF marks a file still being written: its end follows the
// file's size until the writer stores the real size.
class LSRCPCMFileBase : public LSoundSourceBase {
 public:
  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override { return position_; }
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override;
  bool IsStreaming() override { return end_ < 0; }

 protected:
  // `fd` is positioned at the first data byte and belongs to the source.
  LSRCPCMFileBase(UniqueFd fd, int32_t sampleRate, uint32_t dataSize, int bytesPerSample,
                  int channels);

  // Converts `samples` file samples into chain samples.
  virtual void Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const = 0;

 private:
  void ReadBlock(int32_t* buffer, int32_t frames);
  // Reads `frames` frames at the file offset into `out`; returns the whole
  // frames that arrived, leaving the file offset after the last of them.
  int32_t ReadFrames(int32_t* out, int32_t frames);

  UniqueFd fd_;
  off_t dataStart_ = 0;
  int32_t position_ = 0;
  int32_t end_ = -1;
  uint32_t blockAlign_;
  std::vector<uint8_t> buffer_;  // one block of file bytes
};

// Unsigned 8-bit samples: u enters as (u - 128) * 4096.
class LSRCPCMFile8 final : public LSRCPCMFileBase {
 public:
  LSRCPCMFile8(UniqueFd fd, int32_t sampleRate, uint32_t dataSize, int channels)
      : LSRCPCMFileBase(std::move(fd), sampleRate, dataSize, 1, channels) {}

 private:
  void Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const override;
};

// Signed 24- or 32-bit little-endian samples (`width` 3 or 4 bytes), at the
// chain's full precision.
class LSRCPCMFileWide final : public LSRCPCMFileBase {
 public:
  LSRCPCMFileWide(UniqueFd fd, int32_t sampleRate, uint32_t dataSize, int width, int channels)
      : LSRCPCMFileBase(std::move(fd), sampleRate, dataSize, width, channels), width_(width) {}

 private:
  void Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const override;

  int width_;
};

// Signed 16-bit little-endian samples: v enters as v << 4.
class LSRCPCMFile16 final : public LSRCPCMFileBase {
 public:
  LSRCPCMFile16(UniqueFd fd, int32_t sampleRate, uint32_t dataSize, int channels)
      : LSRCPCMFileBase(std::move(fd), sampleRate, dataSize, 2, channels) {}

 private:
  void Convert(const uint8_t* bytes, int32_t* out, std::size_t samples) const override;
};
