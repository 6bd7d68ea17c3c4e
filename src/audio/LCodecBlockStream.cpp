#include "audio/LCodecBlockStream.h"

#include <algorithm>
#include <cstring>

#include "core/Trace.h"

LCodecBlockStream::LCodecBlockStream(uint32_t codedBlock, uint32_t pcmBlock, bool decode)
    : inBlock_(decode ? codedBlock : pcmBlock),
      outBlock_(decode ? pcmBlock : codedBlock),
      decode_(decode),
      tail_(inBlock_) {}

uint32_t LCodecBlockStream::SourceSizeFor(uint32_t destBytes) const {
  // Whole blocks only, so the output of a full source buffer always fits.
  const uint64_t blocks = destBytes / outBlock_;
  const uint64_t bytes = blocks * inBlock_;
  return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

uint32_t LCodecBlockStream::DestSizeFor(uint32_t sourceBytes) const {
  // Rounded up: the final flush turns a partial block into a whole one.
  const uint64_t blocks = (static_cast<uint64_t>(sourceBytes) + inBlock_ - 1) / inBlock_;
  const uint64_t bytes = blocks * outBlock_;
  return bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
}

bool LCodecBlockStream::Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed,
                                uint8_t* dest, uint32_t destBytes, uint32_t& destUsed, Mode mode) {
  sourceUsed = 0;
  destUsed = 0;
  if (failed_) return false;
  if (mode == Mode::kStart) Reset();

  const uint32_t blocks = std::min(sourceBytes / inBlock_, destBytes / outBlock_);
  if (blocks > 0 && !ConvertBlocks(source, dest, blocks)) {
    Trace("LCodecStream::Convert codec failed on %u blocks FAILED", blocks);
    failed_ = true;
    return false;
  }
  sourceUsed = blocks * inBlock_;
  destUsed = blocks * outBlock_;

  const uint32_t rest = sourceBytes - sourceUsed;
  if (mode == Mode::kEnd && rest > 0 && rest < inBlock_ && destBytes - destUsed >= outBlock_) {
    destUsed += ConvertTail(source + sourceUsed, rest, dest + destUsed);
    sourceUsed = sourceBytes;
  }
  return true;
}

uint32_t LCodecBlockStream::ConvertTail(const uint8_t* in, uint32_t inBytes, uint8_t* out) {
  if (decode_) return 0;
  std::memcpy(tail_.data(), in, inBytes);
  std::fill(tail_.begin() + inBytes, tail_.end(), 0);
  return ConvertBlocks(tail_.data(), out, 1) ? outBlock_ : 0;
}
