#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/Mp3BitReader.h"

struct Mp3HuffmanCodes;

// Table-driven Huffman decoding of the Layer III big-value and count1
// regions. The lookup tables are built once from the standard's code lists
// and shared read-only by every decoder in the process.
class Mp3Huffman {
 public:
  static const Mp3Huffman& Instance();

  // Decodes `pairs` value pairs with pair table `table` (0..31) into `out`,
  // linbits and signs included.
  void DecodePairs(Mp3BitReader& bits, int table, int pairs, int* out) const;
  // Decodes count1 quadruples (4 signed values in -1..1 each) with table 0
  // or 1 into `out` while they begin before bit `end` and fit in `room`
  // values; a quadruple cut by `end` is dropped. Returns the values written.
  int DecodeQuads(Mp3BitReader& bits, int table, std::size_t end, int* out, int room) const;

  // True when every table built: each code list is a complete prefix code.
  bool IsValid() const { return valid_; }

 private:
  // A lookup entry: a symbol and the bits it took at this level, or a link
  // to a second-level table of `subBits` index bits.
  struct Entry {
    uint16_t value = 0;
    uint8_t bits = 0;
    uint8_t subBits = 0;
  };
  struct Table {
    std::vector<Entry> entries;
    int rootBits = 0;
  };

  // A decoded symbol and its code's length in bits.
  struct Match {
    int symbol;
    int length;
  };

  Mp3Huffman();
  static bool Build(const Mp3HuffmanCodes& list, int side, Table& table);
  // The code at the top of `word` (the next 32 bits of the stream).
  static Match Find(const Table& table, uint32_t word);
  // Extra bits and signs of a pair with a 15 in it, `x` and `y` in and out.
  static void DecodeEscapes(Mp3BitReader& bits, int linbits, int& x, int& y);

  Table pairs_[32];
  int linbits_[32] = {};
  Table quads_[2];
  bool valid_ = true;
};
