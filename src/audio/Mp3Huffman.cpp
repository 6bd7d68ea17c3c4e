#include "audio/Mp3Huffman.h"

#include <algorithm>

#include "audio/Mp3HuffmanTables.h"

namespace {

constexpr int kRootBits = 8;
constexpr int kMaxCodeBits = 19;

// Which code list each pair table uses and how many extra bits follow a 15.
constexpr int kCodeSource[32] = {0,  1,  2,  3,  0,  5,  6,  7,  8,  9,  10, 11, 12, 13, 0,  15,
                                 16, 16, 16, 16, 16, 16, 16, 16, 24, 24, 24, 24, 24, 24, 24, 24};
constexpr int kLinbits[32] = {0, 0, 0, 0, 0, 0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0,
                              1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};

// Without a branch on the data: a nonzero `value` takes the sign bit at
// `used` bits into `word`.
[[gnu::always_inline]] inline void ApplySign(uint32_t word, int& used, int& value) {
  const int present = value != 0 ? 1 : 0;
  const int negative = static_cast<int>((word << used) >> 31) & present;
  value = (value ^ -negative) + negative;
  used += present;
}

}  // namespace

const Mp3Huffman& Mp3Huffman::Instance() {
  static const Mp3Huffman instance;  // read-only after construction
  return instance;
}

Mp3Huffman::Mp3Huffman() {
  for (int t = 0; t < 32; ++t) {
    linbits_[t] = kLinbits[t];
    const Mp3HuffmanCodes codes = Mp3PairCodes(kCodeSource[t]);
    if (codes.size == 0) continue;  // table 0 and the unused ones: all zeros
    valid_ = Build(codes, codes.size, pairs_[t]) && valid_;
  }
  for (int t = 0; t < 2; ++t) {
    const Mp3HuffmanCodes codes = Mp3QuadCodes(t);
    valid_ = Build(codes, 0, quads_[t]) && valid_;
  }
}

// Pair symbols are stored as x * 16 + y whatever the table size, so the
// decoder needs no per-table divisor; count1 symbols (side 0) as they are.
bool Mp3Huffman::Build(const Mp3HuffmanCodes& list, int side, Table& table) {
  const uint16_t* codes = list.codes;
  const uint8_t* lengths = list.lengths;
  const int symbols = side == 0 ? list.size : side * side;
  const int maxLength = *std::max_element(lengths, lengths + symbols);
  if (maxLength < 1 || maxLength > kMaxCodeBits) return false;
  table.rootBits = std::min(kRootBits, maxLength);
  const int root = table.rootBits;
  table.entries.assign(std::size_t{1} << root, Entry{});
  std::vector<bool> filled(table.entries.size(), false);
  // Second-level sizes: the longest code below each root prefix.
  std::vector<int> subBits(table.entries.size(), 0);
  for (int s = 0; s < symbols; ++s) {
    if (lengths[s] > root) {
      const int prefix = codes[s] >> (lengths[s] - root);
      subBits[prefix] = std::max(subBits[prefix], lengths[s] - root);
    }
  }
  for (std::size_t p = 0; p < subBits.size(); ++p) {
    if (subBits[p] == 0) continue;
    table.entries[p] = Entry{static_cast<uint16_t>(table.entries.size()),
                             static_cast<uint8_t>(root), static_cast<uint8_t>(subBits[p])};
    filled[p] = true;
    table.entries.resize(table.entries.size() + (std::size_t{1} << subBits[p]));
    filled.resize(table.entries.size(), false);
  }
  for (int s = 0; s < symbols; ++s) {
    const uint16_t symbol =
        side == 0 ? static_cast<uint16_t>(s) : static_cast<uint16_t>((s / side) * 16 + s % side);
    const int length = lengths[s];
    std::size_t first = 0;
    int span = 0;
    uint8_t bits = 0;
    if (length <= root) {
      first = static_cast<std::size_t>(codes[s]) << (root - length);
      span = root - length;
      bits = static_cast<uint8_t>(length);
    } else {
      const Entry& link = table.entries[codes[s] >> (length - root)];
      const int rest = length - root;
      const int low = codes[s] & ((1 << rest) - 1);
      first = link.value + (static_cast<std::size_t>(low) << (link.subBits - rest));
      span = link.subBits - rest;
      bits = static_cast<uint8_t>(rest);
    }
    for (std::size_t i = first; i < first + (std::size_t{1} << span); ++i) {
      if (filled[i]) return false;  // two codes share a prefix
      table.entries[i] = Entry{symbol, bits, 0};
      filled[i] = true;
    }
  }
  // A complete code leaves no bit pattern without a symbol.
  return std::all_of(filled.begin(), filled.end(), [](bool f) { return f; });
}

Mp3Huffman::Match Mp3Huffman::Find(const Table& table, uint32_t word) {
  const Entry* entry = &table.entries[word >> (32 - table.rootBits)];
  int length = 0;
  if (entry->subBits != 0) {
    length = entry->bits;
    entry = &table.entries[entry->value + ((word << length) >> (32 - entry->subBits))];
  }
  return Match{entry->value, length + entry->bits};
}

void Mp3Huffman::DecodePairs(Mp3BitReader& bits, int table, int pairs, int* out) const {
  const Table& codes = pairs_[table & 31];
  if (codes.entries.empty()) {
    std::fill(out, out + 2 * pairs, 0);
    return;
  }
  const int linbits = linbits_[table & 31];
  for (int i = 0; i < pairs; ++i) {
    // A code (at most 19 bits) and two signs fit one look at the stream;
    // only a value with extra bits needs a second.
    const uint32_t word = bits.Peek32();
    const Match match = Find(codes, word);
    int x = match.symbol >> 4;
    int y = match.symbol & 15;
    if (linbits != 0 && (x == 15 || y == 15)) {
      bits.Skip(static_cast<std::size_t>(match.length));
      DecodeEscapes(bits, linbits, x, y);
    } else {
      int used = match.length;
      ApplySign(word, used, x);
      ApplySign(word, used, y);
      bits.Skip(static_cast<std::size_t>(used));
    }
    out[2 * i] = x;
    out[2 * i + 1] = y;
  }
}

void Mp3Huffman::DecodeEscapes(Mp3BitReader& bits, int linbits, int& x, int& y) {
  const uint32_t word = bits.Peek32();  // extra bits and signs: at most 28
  int used = 0;
  if (x == 15) {
    x += static_cast<int>((word << used) >> (32 - linbits));
    used += linbits;
  }
  ApplySign(word, used, x);
  if (y == 15) {
    y += static_cast<int>((word << used) >> (32 - linbits));
    used += linbits;
  }
  ApplySign(word, used, y);
  bits.Skip(static_cast<std::size_t>(used));
}

int Mp3Huffman::DecodeQuads(Mp3BitReader& bits, int table, std::size_t end, int* out,
                            int room) const {
  const Table& codes = quads_[table & 1];
  int done = 0;
  while (done + 4 <= room && bits.Position() < end) {
    // A code of at most 6 bits and 4 signs: one look at the stream.
    const uint32_t word = bits.Peek32();
    const Match match = Find(codes, word);
    int used = match.length;
    int quad[4];
    for (int i = 0; i < 4; ++i) {
      quad[i] = (match.symbol >> (3 - i)) & 1;
      ApplySign(word, used, quad[i]);
    }
    bits.Skip(static_cast<std::size_t>(used));
    if (bits.Position() > end) break;  // a code cut by the granule's end is dropped
    std::copy(quad, quad + 4, out + done);
    done += 4;
  }
  return done;
}
