#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/LSoundSinkBase.h"
#include "audio/LWaveFileFormat.h"
#include "core/UniqueFd.h"

// Writes a PCM WAVE file behind a fixed 46-byte header whose sizes read
// 0xFFFFFFFF until the destructor stores the real ones, so readers can follow
// the file while it grows. Each Write goes to the file at once, nothing is
// held back in the process: a recorder that is killed loses only the buffer
// it had not yet handed over (100 ms), and the next start finishes the file
// (InterruptedWave).
class LSNKPCMFileBase : public LSoundSinkBase {
 public:
  static constexpr int64_t kHeaderBytes = 46;

  ~LSNKPCMFileBase() override;
  void Write(const int32_t* buffer, int32_t frames) override;
  // Discards everything from `frame` on; a frame beyond the position does nothing.
  void Truncate(int32_t frame) override;

 protected:
  // Keeps the first `startFrame` frames of an existing file and writes on
  // after them; with 0 the file starts empty.
  LSNKPCMFileBase(const std::string& path, uint32_t sampleRate, int32_t startFrame,
                  int bytesPerSample, int channels);

  // Converts `samples` chain samples into file samples.
  virtual void Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const = 0;

 private:
  void Open(const std::string& path, int32_t startFrame);
  void WriteBlock(const int32_t* buffer, int32_t frames);
  // After a write of `attempted` bytes failed part way.
  void KeepWholeFrames(int64_t attempted);
  // Fails the sink with a trace line naming `what`.
  void Fail(const char* what);

  UniqueFd fd_;
  LWaveFileFormat format_;
  uint32_t blockAlign_;
  uint32_t maxDataSize_;  // what the 32-bit sizes in the header can describe
  int64_t dataBytes_ = 0;  // samples in the file now
  std::vector<uint8_t> buffer_;  // one block of file bytes
};

// Unsigned 8-bit samples: ((x + 2048) >> 12) + 128.
class LSNKPCMFile8 final : public LSNKPCMFileBase {
 public:
  LSNKPCMFile8(const std::string& path, uint32_t sampleRate, int32_t startFrame, int channels)
      : LSNKPCMFileBase(path, sampleRate, startFrame, 1, channels) {}

 private:
  void Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const override;
};

// Signed 24- or 32-bit little-endian samples (`width` 3 or 4 bytes), at the
// chain's full precision.
class LSNKPCMFileWide final : public LSNKPCMFileBase {
 public:
  LSNKPCMFileWide(const std::string& path, uint32_t sampleRate, int32_t startFrame, int width,
                  int channels)
      : LSNKPCMFileBase(path, sampleRate, startFrame, width, channels), width_(width) {}

 private:
  void Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const override;

  int width_;
};

// Signed 16-bit little-endian samples: (x + 8) >> 4.
class LSNKPCMFile16 final : public LSNKPCMFileBase {
 public:
  LSNKPCMFile16(const std::string& path, uint32_t sampleRate, int32_t startFrame, int channels)
      : LSNKPCMFileBase(path, sampleRate, startFrame, 2, channels) {}

 private:
  void Convert(const int32_t* in, uint8_t* bytes, std::size_t samples) const override;
};
