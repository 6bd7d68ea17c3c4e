#include "audio/Mp3Huffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "audio/Mp3HuffmanTables.h"

namespace {

// Writes bits most significant first.
class BitWriter {
 public:
  void Put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bits_ % 8 == 0) bytes_.push_back(0);
      bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1u) << (7 - bits_ % 8));
      ++bits_;
    }
  }
  std::size_t Bits() const { return bits_; }
  // The stream, with the padding a reader may look at.
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> padded = bytes_;
    padded.resize(padded.size() + 8, 0);
    return padded;
  }

 private:
  std::vector<uint8_t> bytes_;
  std::size_t bits_ = 0;
};

struct PairTable {
  int table;
  int codes;    // the code list the table uses
  int linbits;  // extra bits after a 15
};

// The pair tables with codes, as the standard lists them.
constexpr PairTable kPairTables[] = {
    {1, 1, 0},   {2, 2, 0},   {3, 3, 0},   {5, 5, 0},   {6, 6, 0},   {7, 7, 0},   {8, 8, 0},
    {9, 9, 0},   {10, 10, 0}, {11, 11, 0}, {12, 12, 0}, {13, 13, 0}, {15, 15, 0}, {16, 16, 1},
    {17, 16, 2}, {18, 16, 3}, {19, 16, 4}, {20, 16, 6}, {21, 16, 8}, {22, 16, 10}, {23, 16, 13},
    {24, 24, 4}, {25, 24, 5}, {26, 24, 6}, {27, 24, 7}, {28, 24, 8}, {29, 24, 9}, {30, 24, 11},
    {31, 24, 13},
};

// Encodes one signed value's extra bits and sign after its pair's code.
void PutTail(BitWriter& out, int value, int linbits) {
  const int magnitude = value < 0 ? -value : value;
  if (linbits != 0 && magnitude >= 15) out.Put(static_cast<uint32_t>(magnitude - 15), linbits);
  if (magnitude != 0) out.Put(value < 0 ? 1 : 0, 1);
}

TEST(Mp3HuffmanTest, TablesAreCompletePrefixCodes) { EXPECT_TRUE(Mp3Huffman::Instance().IsValid()); }

// Random pairs over each table's whole range, the extra bits' largest
// values included, encoded with the code lists and decoded back.
TEST(Mp3HuffmanTest, PairsDecodeToWhatWasEncoded) {
  std::mt19937 random(11);
  for (const PairTable& t : kPairTables) {
    const Mp3HuffmanCodes codes = Mp3PairCodes(t.codes);
    const int top = codes.size - 1 + (t.linbits != 0 ? (1 << t.linbits) - 1 : 0);
    std::uniform_int_distribution<int> coordinate(-top, top);
    std::vector<int> expected;
    BitWriter out;
    for (int i = 0; i < 300; ++i) {
      const int x = i == 0 ? top : coordinate(random);
      const int y = i == 0 ? -top : i % 3 == 0 ? 0 : coordinate(random);
      const int cx = std::min(x < 0 ? -x : x, codes.size - 1);
      const int cy = std::min(y < 0 ? -y : y, codes.size - 1);
      const int symbol = cx * codes.size + cy;
      out.Put(codes.codes[symbol], codes.lengths[symbol]);
      PutTail(out, x, t.linbits);
      PutTail(out, y, t.linbits);
      expected.push_back(x);
      expected.push_back(y);
    }
    const std::vector<uint8_t> bytes = out.Bytes();
    Mp3BitReader bits(bytes.data(), bytes.size() - 8);
    std::vector<int> decoded(expected.size());
    Mp3Huffman::Instance().DecodePairs(bits, t.table, 300, decoded.data());
    EXPECT_EQ(expected, decoded) << "table " << t.table;
    EXPECT_EQ(out.Bits(), bits.Position()) << "table " << t.table;
  }
}

struct QuadCase {
  const char* name;
  int table;
  int quads;     // encoded
  int cutBits;   // the granule ends this many bits before the stream does
  int room;      // values the caller has room for
  int expected;  // values decoded
};

constexpr QuadCase kQuadCases[] = {
    {"table A, all", 0, 40, 0, 576, 160},
    {"table B, all", 1, 40, 0, 576, 160},
    {"last cut by the end", 0, 40, 1, 576, 156},
    {"room for 10 quads", 1, 40, 0, 40, 40},
    {"room not a multiple of 4", 0, 40, 0, 42, 40},
};

TEST(Mp3HuffmanTest, QuadsDecodeUntilTheGranuleEndsOrTheLinesRunOut) {
  for (const QuadCase& c : kQuadCases) {
    std::mt19937 random(5);
    const Mp3HuffmanCodes codes = Mp3QuadCodes(c.table);
    std::vector<int> expected;
    BitWriter out;
    for (int q = 0; q < c.quads; ++q) {
      const int symbol = static_cast<int>(random() % 16);
      out.Put(codes.codes[symbol], codes.lengths[symbol]);
      int values[4];
      for (int i = 0; i < 4; ++i) values[i] = (symbol >> (3 - i)) & 1;
      for (int& v : values) {
        if (v != 0 && random() % 2 != 0) v = -v;
        if (v != 0) out.Put(v < 0 ? 1 : 0, 1);
      }
      expected.insert(expected.end(), values, values + 4);
    }
    expected.resize(static_cast<std::size_t>(c.expected));
    const std::vector<uint8_t> bytes = out.Bytes();
    Mp3BitReader bits(bytes.data(), bytes.size() - 8);
    std::vector<int> decoded(576, 99);
    const int count = Mp3Huffman::Instance().DecodeQuads(
        bits, c.table, out.Bits() - static_cast<std::size_t>(c.cutBits), decoded.data(), c.room);
    decoded.resize(static_cast<std::size_t>(count));
    EXPECT_EQ(expected, decoded) << c.name;
  }
}

}  // namespace
