#pragma once

#include <cstdint>
#include <memory>

class LWaveFileFormat;

// One conversion stream between 16-bit PCM and a codec format (either way):
// the stand-in for the platform's compression manager streams. The WAVE
// source and sink drive it exactly like those: block-aligned conversion,
// a final flush, and a reset after a seek.
class LCodecStream {
 public:
  enum class Mode {
    kBlockAlign,  // convert whole blocks only, keep the rest of the input
    kEnd,         // flush: convert what is left, padding a last partial block
    kStart,       // reset the codec state (after a seek); input is empty
  };

  virtual ~LCodecStream() = default;

  // Source bytes needed to fill `destBytes` of output (0: impossible).
  virtual uint32_t SourceSizeFor(uint32_t destBytes) const = 0;
  // Output bytes produced from `sourceBytes` of input (0: impossible).
  virtual uint32_t DestSizeFor(uint32_t sourceBytes) const = 0;
  // Converts from `source` into `dest`, reporting how much of each was used.
  // False when the codec failed; it then produces nothing more.
  virtual bool Convert(const uint8_t* source, uint32_t sourceBytes, uint32_t& sourceUsed,
                       uint8_t* dest, uint32_t destBytes, uint32_t& destUsed, Mode mode) = 0;

  // A stream from `from` to `to`, one of which must be 16-bit PCM of the
  // other's channels and rate; null when no codec of ours handles the pair.
  static std::unique_ptr<LCodecStream> Open(const LWaveFileFormat& from,
                                            const LWaveFileFormat& to);
};
