#pragma once

#include <cstdint>

#include "audio/Mp3Isa.h"
#include "audio/Mp3Synthesis.h"

struct Mp3GranuleInfo;

// The hybrid filter bank's second half for one granule of one channel:
// short-block reordering, alias reduction, IMDCT with the block type's
// window, overlap-add with the previous granule and frequency inversion.
class Mp3Imdct {
 public:
  static constexpr int kSubbands = 32;
  static constexpr int kSlots = 18;
  static constexpr int kRowLength = Mp3Synthesis::kRowLength;

  // The tables and loops for this processor, shared read-only.
  static const Mp3Imdct& Instance();
  explicit Mp3Imdct(Mp3Isa isa);

  // `lines` (576, bitstream order, the first `nonzero` possibly nonzero) is
  // used as scratch; `overlap` (576) carries over between granules; `out`
  // receives 18 time slots of each of the 32 subbands, out[sb][t], as the
  // synthesis takes them.
  void Process(const Mp3GranuleInfo& info, int rateIndex, float* lines, int nonzero, float* overlap,
               float out[kSubbands][kRowLength]) const;

 private:
  using Runner = void (Mp3Imdct::*)(const Mp3GranuleInfo&, int, float*, int, float*,
                                    float[kSubbands][kRowLength]) const;
  // Process's body, built once per instruction set with its vectors.
  template <typename Lanes>
  [[gnu::always_inline]] inline void Run(const Mp3GranuleInfo& info, int rateIndex, float* lines,
                                         int nonzero, float* overlap,
                                         float out[kSubbands][kRowLength]) const;
  void RunBaseline(const Mp3GranuleInfo& info, int rateIndex, float* lines, int nonzero,
                   float* overlap, float out[kSubbands][kRowLength]) const;
  [[ZAVOTEL_MP3_AVX2]] void RunAvx2(const Mp3GranuleInfo& info, int rateIndex, float* lines,
                                    int nonzero, float* overlap,
                                    float out[kSubbands][kRowLength]) const;
  void Reorder(const Mp3GranuleInfo& info, int rateIndex, float* lines) const;
  // The lines that may be nonzero after reordering the first `nonzero`:
  // up to the end of the short band holding the last (lines stay in their band).
  static int ShortExtent(int rateIndex, int nonzero);
  // Returns the number of subbands that may now be nonzero.
  int ReduceAliasing(const Mp3GranuleInfo& info, float* lines, int nonzero) const;
  template <typename Lanes>
  [[gnu::always_inline]] inline void LongBlock(const float* in, int blockType, float* overlap,
                                               float* out) const;
  template <typename Lanes>
  [[gnu::always_inline]] inline void ShortBlock(const float* in, float* overlap, float* out) const;

  // Rows padded with zeros to whole vectors of 8.
  static constexpr int kLongColumns = 24;

  Runner run_;
  // [input][output]: outputs 0..8 and 18..26 of the 36-point IMDCT.
  float longCos_[18][kLongColumns] = {};
  // [input][output], outputs padded with zeros to whole vectors of 8.
  static constexpr int kShortColumns = 16;
  float shortCos_[6][kShortColumns] = {};
  float windows_[4][36];  // block types 0, 1, 3 long; 2 holds the 12-point short window
  float aliasCs_[8];
  float aliasCa_[8];
  // Destination of each line of a short (0) or mixed (1) block, per rate.
  int16_t reorder_[9][2][576];
};
