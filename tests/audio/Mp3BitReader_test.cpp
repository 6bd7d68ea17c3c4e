#include "audio/Mp3BitReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Bit `index` of `bytes` read most significant first; 0 past `limit` bits.
uint32_t BitAt(const std::vector<uint8_t>& bytes, std::size_t limit, std::size_t index) {
  if (index >= limit) return 0;
  return (bytes[index / 8] >> (7 - index % 8)) & 1u;
}

// Every position of buffers whose end falls at each bit of a word, so both
// the whole-word reads and the reads near the end are checked bit by bit;
// the buffers have no slack, so a read past one is an error.
TEST(Mp3BitReaderTest, PeekMatchesBitByBitReadingAtEveryPositionAndLength) {
  std::mt19937 random(3);
  for (std::size_t size = 1; size <= 20; ++size) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    Mp3BitReader bits(bytes.data(), size);
    for (std::size_t pos = 0; pos <= size * 8 + 40; ++pos) {
      bits.SetPosition(pos);
      uint32_t expected = 0;
      for (std::size_t i = 0; i < 32; ++i)
        expected = (expected << 1) | BitAt(bytes, size * 8, pos + i);
      ASSERT_EQ(expected, bits.Peek32()) << "size " << size << " position " << pos;
    }
  }
}

}  // namespace
