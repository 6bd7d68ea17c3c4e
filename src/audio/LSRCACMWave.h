#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/LCodecStream.h"
#include "audio/LSoundSourceBase.h"
#include "audio/LWaveFileFormat.h"
#include "audio/WaveFileIo.h"
#include "core/UniqueFd.h"

// A WAVE file in a codec format (or PCM deeper than 16 bits), decoded to
// 16-bit PCM through a codec stream one buffer at a time. Seeking is by byte
// arithmetic plus decoding and discarding up to 8192 frames.
class LSRCACMWave final : public LSoundSourceBase {
 public:
  // `fd` is positioned at the first data byte and belongs to the source.
  LSRCACMWave(UniqueFd fd, const LWaveFileFormat& format, uint32_t dataSize);

  void Read(int32_t* buffer, int32_t frames) override;
  int32_t GetPosition() override { return position_; }
  // Exact once the codec has delivered its last output, estimated before.
  int32_t GetEndSample() override;
  void Seek(int32_t frame) override;
  bool IsStreaming() override { return dataSize_ == kWaveStreamingSize; }

 private:
  void Open(const LWaveFileFormat& format);
  // Delivers decoded samples into `out` until `wanted` bytes of 16-bit PCM
  // were delivered or the end is reached; returns the samples delivered.
  std::size_t Deliver(int32_t* out, uint64_t wanted);
  // Reads more file data and decodes it; false when nothing more will come.
  bool Refill();
  // Converts the source buffer into the free tail of the destination buffer;
  // adds what was consumed and produced.
  bool Decode(LCodecStream::Mode mode, uint32_t& consumed, uint32_t& produced);
  uint64_t FramesPerBlock() const;
  // The data byte where the codec block holding `frame` starts.
  uint64_t OffsetOfFrame(uint64_t frame) const;
  // The first frame of the codec block that starts at data byte `offset`.
  int32_t FrameOfBlock(uint64_t offset) const;
  void Discard(int32_t frames);
  // Re-reads the stored data size while the writer has not finished.
  void RefreshDataSize();
  // Bytes of the data chunk: the stored size, or what is on disk while streaming.
  uint64_t DataLength() const;

  UniqueFd fd_;
  std::unique_ptr<LCodecStream> codec_;
  uint32_t dataSize_;
  uint64_t bytesRead_ = 0;  // of the data chunk
  off_t dataStart_ = 0;
  uint32_t avgBytes_;
  uint32_t blockAlign_;
  uint32_t frameBytes_;  // one frame of 16-bit PCM
  int32_t position_ = 0;
  int32_t end_ = -1;
  std::vector<uint8_t> source_;  // compressed bytes not yet converted
  uint32_t sourceLen_ = 0;
  std::vector<uint8_t> dest_;  // decoded bytes not yet delivered
  uint32_t destLen_ = 0;
  std::vector<int32_t> discard_;  // scratch for decode-and-discard after a seek
};
