#include "audio/GainTable.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kUnity = 16777216.0;
constexpr double kCap = 2147483647.0;
}  // namespace

int32_t GainTable::Amplitude(int db) { return Get().amplitude[static_cast<size_t>(Index(db))]; }

int32_t GainTable::Power(int db) { return Get().power[static_cast<size_t>(Index(db))]; }

// Values outside the signed 8-bit range use the nearest end of the table.
int GainTable::Index(int db) { return std::clamp(db, -128, 127) + 128; }

const GainTable::Tables& GainTable::Get() {
  // Process-wide immutable cache: built once, thread-safe by static init.
  static const Tables tables{Build(20.0), Build(10.0)};
  return tables;
}

GainTable::Table GainTable::Build(double dbPerDecade) {
  Table table{};
  for (int db = -126; db <= 127; ++db) {
    const double value = std::pow(10.0, db / dbPerDecade) * kUnity + 0.5;
    table[static_cast<size_t>(db + 128)] = static_cast<int32_t>(std::min(value, kCap));
  }
  return table;  // entries -128 and -127 stay 0 (mute)
}
