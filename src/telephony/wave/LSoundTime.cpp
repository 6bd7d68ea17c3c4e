#include "telephony/wave/LSoundTime.h"

#include <cstdio>
#include <cstdlib>

#include "core/Trace.h"

bool LSoundTime::SetSamples(int64_t samples, int32_t sampleRate) {
  if (sampleRate <= 0) {
    Trace("LSoundTime::SetSamples samplerate <= 0");
    return false;
  }
  samples_ = samples;
  sampleRate_ = sampleRate;
  return true;
}

int64_t LSoundTime::Milliseconds() const {
  // Split first so large counts cannot overflow the product.
  return samples_ / sampleRate_ * 1000 + samples_ % sampleRate_ * 1000 / sampleRate_;
}

std::string LSoundTime::Text(Precision precision) const {
  const int64_t ms = Milliseconds();
  const long total = static_cast<long>(std::llabs(ms));
  const long hours = total / 3600000;
  const long minutes = total / 60000 % 60;
  const long seconds = total / 1000 % 60;
  const long fraction = total % 1000;
  char text[64];
  switch (precision) {
    case Precision::kThousandths:
      std::snprintf(text, sizeof text, "%ld:%.2ld:%.2ld.%.3ld", hours, minutes, seconds, fraction);
      break;
    case Precision::kHundredths:
      std::snprintf(text, sizeof text, "%ld:%.2ld:%.2ld.%.2ld", hours, minutes, seconds,
                    fraction / 10);
      break;
    case Precision::kTenths:
      std::snprintf(text, sizeof text, "%ld:%.2ld:%.2ld.%.1ld", hours, minutes, seconds,
                    fraction / 100);
      break;
    case Precision::kSeconds:
      std::snprintf(text, sizeof text, "%ld:%.2ld:%.2ld", hours, minutes, seconds);
      break;
  }
  return ms < 0 ? "-" + std::string(text) : std::string(text);
}

int64_t LSoundTime::ParseMs(const std::string& text) {
  // Past this a text is nonsense anyway; it only guards the arithmetic.
  constexpr int64_t kLimit = INT64_MAX / 1000 / 60 / 10;
  int64_t seconds = 0;
  int64_t field = 0;
  int64_t fraction = 0;
  int fractionDigits = -1;  // -1: not in the fraction yet
  bool negative = false;
  for (char c : text) {
    if (c == '-') {
      negative = true;
    } else if (c >= '0' && c <= '9') {
      const int digit = c - '0';
      if (fractionDigits < 0) {
        if (field < kLimit) field = field * 10 + digit;
      } else if (fractionDigits < 3) {
        static constexpr int kWeights[] = {100, 10, 1};
        fraction += digit * kWeights[fractionDigits++];
      }
    } else if (c == ':' && fractionDigits < 0) {
      seconds = seconds + field < kLimit ? (seconds + field) * 60 : kLimit;
      field = 0;
    } else if (c == '.' && fractionDigits < 0) {
      fractionDigits = 0;
    }
  }
  const int64_t ms = std::min(seconds + field, kLimit) * 1000 + fraction;
  return negative ? -ms : ms;
}
