#pragma once

#include <cstdint>
#include <vector>

#include "audio/LCodecStream.h"

// A codec stream that maps fixed-size input blocks onto fixed-size output
// blocks (PCM, G.711, ADPCM, GSM). It does the block bookkeeping of the three
// conversion modes; the codec converts whole blocks and its last partial one.
class LCodecBlockStream : public LCodecStream {
 public:
  LCodecBlockStream(const LCodecBlockStream&) = delete;
  LCodecBlockStream& operator=(const LCodecBlockStream&) = delete;

  uint32_t SourceSizeFor(uint32_t destBytes) const override;
  uint32_t DestSizeFor(uint32_t sourceBytes) const override;
  bool Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed, uint8_t* dest,
               uint32_t destBytes, uint32_t& destUsed, Mode mode) override;

 protected:
  // A block is `codedBlock` bytes in the codec's format and `pcmBlock` bytes
  // of 16-bit PCM; `decode` converts from the codec's format to PCM.
  LCodecBlockStream(uint32_t codedBlock, uint32_t pcmBlock, bool decode);

  // Converts `count` whole input blocks into as many output blocks.
  virtual bool ConvertBlocks(const uint8_t* in, uint8_t* out, uint32_t count) = 0;
  // Converts the incomplete last block of a stream (fewer than a block's
  // bytes) and returns the output bytes, at most one block. By default an
  // encoder pads it with zero bytes, which is silence for 16-bit PCM input,
  // and a decoder drops it: part of a coded block holds no whole frame.
  virtual uint32_t ConvertTail(const uint8_t* in, uint32_t inBytes, uint8_t* out);
  // Forgets the state carried from block to block.
  virtual void Reset() {}

  bool Decoding() const { return decode_; }
  uint32_t InBlock() const { return inBlock_; }
  uint32_t OutBlock() const { return outBlock_; }

 private:
  uint32_t inBlock_;
  uint32_t outBlock_;
  bool decode_;
  std::vector<uint8_t> tail_;  // one input block, for padding the last one
  bool failed_ = false;
};
