#pragma once

#include <cstdint>
#include <string>

// A sample count with its sample rate, shown as hours, minutes, seconds and
// a fraction ("1:02:03.456").
class LSoundTime {
 public:
  enum class Precision { kThousandths, kHundredths, kTenths, kSeconds };

  LSoundTime() = default;
  // False, changing nothing, for a sample rate of 0 or less.
  bool SetSamples(int64_t samples, int32_t sampleRate);

  int64_t Samples() const { return samples_; }
  int32_t SampleRate() const { return sampleRate_; }
  int64_t Milliseconds() const;
  // "%ld:%.2ld:%.2ld.%.3ld" and its shorter forms; a negative time leads
  // with "-".
  std::string Text(Precision precision = Precision::kThousandths) const;

  // Milliseconds from a text such as "1:02:03.5": digits accumulate, ":"
  // starts a new field worth 60 of the one before, "." starts the fraction
  // (hundreds, tens, units of ms), "-" anywhere makes it negative and every
  // other character is skipped.
  static int64_t ParseMs(const std::string& text);

 private:
  int64_t samples_ = 0;
  int32_t sampleRate_ = 8000;
};
