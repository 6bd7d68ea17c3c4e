#include "audio/Mp3Huffman.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "audio/Mp3HuffmanTables.h"

namespace {

// Random pairs over each table's whole range, the largest extra-bit values
// included, encoded from the code lists and decoded back; the reader must
// end exactly where the encoder did.
TEST(Mp3HuffmanTest, PairsDecodeToWhatWasEncoded) {
  // {table, code list, linbits} for the tables with codes.
  const int tables[][3] = {{1, 1, 0},    {2, 2, 0},   {3, 3, 0},    {5, 5, 0},   {6, 6, 0},
                           {7, 7, 0},    {8, 8, 0},   {9, 9, 0},    {10, 10, 0}, {11, 11, 0},
                           {12, 12, 0},  {13, 13, 0}, {15, 15, 0},  {16, 16, 1}, {17, 16, 2},
                           {18, 16, 3},  {19, 16, 4}, {20, 16, 6},  {21, 16, 8}, {22, 16, 10},
                           {23, 16, 13}, {24, 24, 4}, {25, 24, 5},  {26, 24, 6}, {27, 24, 7},
                           {28, 24, 8},  {29, 24, 9}, {30, 24, 11}, {31, 24, 13}};
  std::mt19937 random(11);
  for (const auto& [table, list, linbits] : tables) {
    const Mp3HuffmanCodes codes = Mp3PairCodes(list);
    const int top = codes.size - 1 + (linbits != 0 ? (1 << linbits) - 1 : 0);
    std::vector<int> expected;
    std::vector<uint8_t> bytes;
    std::size_t used = 0;
    const auto put = [&](uint32_t value, int count) {
      for (int i = count - 1; i >= 0; --i, ++used) {
        if (used % 8 == 0) bytes.push_back(0);
        bytes.back() |= static_cast<uint8_t>(((value >> i) & 1u) << (7 - used % 8));
      }
    };
    for (int i = 0; i < 300; ++i) {
      const int x = i == 0 ? top : std::uniform_int_distribution<int>(-top, top)(random);
      const int y = i == 0       ? -top
                    : i % 3 == 0 ? 0
                                 : std::uniform_int_distribution<int>(-top, top)(random);
      const int symbol = std::min(std::abs(x), codes.size - 1) * codes.size +
                         std::min(std::abs(y), codes.size - 1);
      put(codes.codes[symbol], codes.lengths[symbol]);
      for (int v : {x, y}) {
        if (linbits != 0 && std::abs(v) >= 15)
          put(static_cast<uint32_t>(std::abs(v) - 15), linbits);
        if (v != 0) put(v < 0 ? 1 : 0, 1);
      }
      expected.insert(expected.end(), {x, y});
    }
    Mp3BitReader bits(bytes.data(), bytes.size());
    std::vector<int> decoded(expected.size());
    Mp3Huffman::Instance().DecodePairs(bits, table, 300, decoded.data());
    EXPECT_EQ(expected, decoded) << "table " << table;
    EXPECT_EQ(used, bits.Position()) << "table " << table;
  }
}

}  // namespace
