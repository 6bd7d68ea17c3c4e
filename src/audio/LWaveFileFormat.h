#pragma once

#include <array>
#include <cstdint>
#include <string>

// A wave format descriptor in its stored little-endian layout, kept in a
// 1024-byte buffer: tag, channels, samples per second, average bytes per
// second, block align, bits per sample, extra size, then the codec's own
// bytes. A ".wff" file is exactly this buffer.
class LWaveFileFormat {
 public:
  static constexpr std::size_t kBufferSize = 1024;
  static constexpr std::size_t kHeaderSize = 18;
  static constexpr uint16_t kTagPcm = 1;

  // PCM, mono, 8000 Hz, 16 bits (or 8 bits when `bits` is 8).
  explicit LWaveFileFormat(int bits = 16);
  // A plain descriptor with no extra bytes; average bytes and block align
  // are derived for PCM-like formats.
  static LWaveFileFormat Pcm(uint32_t rate, int channels, int bits);

  uint16_t Tag() const;
  uint16_t Channels() const;
  uint32_t SamplesPerSec() const;
  uint32_t AvgBytesPerSec() const;
  uint16_t BlockAlign() const;
  uint16_t BitsPerSample() const;
  uint16_t ExtraSize() const;
  const uint8_t* Extra() const { return bytes_.data() + kHeaderSize; }

  void SetTag(uint16_t tag);
  void SetChannels(uint16_t channels);
  void SetSamplesPerSec(uint32_t rate);
  void SetAvgBytesPerSec(uint32_t bytes);
  void SetBlockAlign(uint16_t align);
  void SetBitsPerSample(uint16_t bits);
  // False when the extra bytes would not fit in the buffer.
  bool SetExtra(const uint8_t* extra, uint16_t size);

  // The descriptor with its extra bytes, as stored in a "fmt " chunk.
  const uint8_t* Data() const { return bytes_.data(); }
  std::size_t Size() const { return kHeaderSize + ExtraSize(); }
  // Takes a "fmt " chunk's bytes; a chunk below 18 bytes has no extra bytes.
  bool Assign(const uint8_t* data, std::size_t size);
  // Tools write PCM above 16 bits or above two channels with the extensible
  // tag, whose sub-format names the real one: take that tag and drop the
  // extension. False for an extensible descriptor too short to say.
  bool UnwrapExtensible();

  // Reads a ".wff" file over this descriptor (up to 1024 bytes), so a missing
  // or short file leaves the preset in place; writes all 1024 bytes.
  void ReadWff(const std::string& path);
  bool WriteWff(const std::string& path) const;

  // Whether 16-bit PCM of this descriptor's channels and rate can be
  // converted into this format.
  bool TestSupportedRecord() const;

 private:
  std::array<uint8_t, kBufferSize> bytes_{};
};
