#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Reads bits most significant first from a byte buffer. Bits past `bytes`
// read as zeros, so corrupt lengths can never make it read outside the
// buffer.
class Mp3BitReader {
 public:
  Mp3BitReader(const uint8_t* data, std::size_t bytes) : data_(data), limit_(bytes * 8) {}

  // The next 32 bits without consuming them.
  uint32_t Peek32() const {
    // Away from the end one 8-byte load covers any bit offset.
    if (pos_ + 64 <= limit_) {
      uint64_t word;
      std::memcpy(&word, data_ + (pos_ >> 3), sizeof word);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      return static_cast<uint32_t>((word << (pos_ & 7)) >> 32);
    }
    // Near the end byte by byte, nothing read past the limit.
    const std::size_t first = pos_ >> 3;
    const std::size_t end = limit_ >> 3;
    uint64_t word = 0;
    for (std::size_t i = first; i < first + 8; ++i) word = (word << 8) | (i < end ? data_[i] : 0u);
    return static_cast<uint32_t>((word << (pos_ & 7)) >> 32);
  }
  void Skip(std::size_t bits) { pos_ += bits; }
  // Up to 24 bits as an unsigned number.
  uint32_t Get(int bits) {
    if (bits == 0) return 0;
    const uint32_t value = Peek32() >> (32 - bits);
    pos_ += static_cast<std::size_t>(bits);
    return value;
  }
  std::size_t Position() const { return pos_; }
  void SetPosition(std::size_t bit) { pos_ = bit; }

 private:
  const uint8_t* data_;
  std::size_t limit_;
  std::size_t pos_ = 0;
};
