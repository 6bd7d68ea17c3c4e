#pragma once

#include <array>
#include <cstdint>

// Decibel-to-gain tables in Q24 (2^24 = unity), indexed by a signed dB value
// -128..127. -128 and -127 are mute; entries that would reach 2^31 - 1 hold
// 2^31 - 1. Built once on first use and never changed afterwards.
class GainTable {
 public:
  // 10^(dB / 20): the factor for sample amplitudes.
  static int32_t Amplitude(int db);
  // 10^(dB / 10): the factor for powers (mean squares).
  static int32_t Power(int db);

 private:
  using Table = std::array<int32_t, 256>;
  struct Tables {
    Table amplitude;
    Table power;
  };
  static const Tables& Get();
  static Table Build(double dbPerDecade);
  static int Index(int db);
};
