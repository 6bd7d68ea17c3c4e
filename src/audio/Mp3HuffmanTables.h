#pragma once

#include <cstdint>

// One Layer III Huffman code table as the standard lists it: for every
// symbol the code's value (its bits read as a binary number) and length.
struct Mp3HuffmanCodes {
  const uint16_t* codes;
  const uint8_t* lengths;
  int size;  // pair tables: values per coordinate (size * size symbols)
};

// Pair tables 1..24 that carry codes (0, 4 and 14 do not; 17..23 use 16's
// codes and 25..31 use 24's). An empty table (size 0) for the others.
Mp3HuffmanCodes Mp3PairCodes(int table);
// The count1 tables: 0 is table A, 1 is table B; 16 symbols each.
Mp3HuffmanCodes Mp3QuadCodes(int table);
