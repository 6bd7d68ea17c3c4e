#include "mail/smtp/MailDomain.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr uint64_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr uint64_t kInitialBias = 72;
constexpr char32_t kInitialN = 0x80;

// Strict UTF-8 (no overlong forms, no surrogates); nothing when malformed.
std::optional<std::u32string> Decode(std::string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return std::nullopt;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      point = (point << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return std::nullopt;
    out += point;
    i += length;
  }
  return out;
}

char32_t Lower(char32_t c) {
  const bool latin = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
  const bool greek = c >= 0x391 && c <= 0x3A9 && c != 0x3A2;
  if (latin || greek || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

bool Allowed(char32_t c) {
  if (c >= 0x80) return c >= 0xA0;  // no C1 control characters
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

uint64_t Adapt(uint64_t delta, uint64_t points, bool first) {
  delta = first ? delta / kDamp : delta / 2;
  delta += delta / points;
  uint64_t k = 0;
  for (; delta > ((kBase - kTMin) * kTMax) / 2; k += kBase) delta /= kBase - kTMin;
  return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

char Digit(uint64_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + d - 26); }

// RFC 3492: the basic code points first, then the others as deltas in a
// generalised variable-length integer each.
std::string Punycode(const std::u32string& label) {
  std::string out;
  for (char32_t c : label) {
    if (c < 0x80) out += static_cast<char>(c);
  }
  const uint64_t basic = out.size();
  if (basic > 0) out += '-';
  uint64_t handled = basic, delta = 0, bias = kInitialBias;
  for (char32_t n = kInitialN; handled < label.size(); ++n, ++delta) {
    char32_t next = 0x10FFFF;
    for (char32_t c : label) {
      if (c >= n) next = std::min(next, c);
    }
    delta += (next - n) * (handled + 1);
    n = next;
    for (char32_t c : label) {
      if (c < n) ++delta;
      if (c != n) continue;
      uint64_t q = delta;
      for (uint64_t k = kBase;; k += kBase) {
        const uint64_t t = k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
        if (q < t) break;
        out += Digit(t + (q - t) % (kBase - t));
        q = (q - t) / (kBase - t);
      }
      out += Digit(q);
      bias = Adapt(delta, handled + 1, handled == basic);
      delta = 0;
      ++handled;
    }
  }
  return out;
}

std::optional<std::string> LabelToAscii(std::string_view label) {
  const std::optional<std::u32string> points = Decode(label);
  if (!points || points->empty() || points->size() > MailDomain::kMaxLabel) return std::nullopt;
  if (!std::all_of(points->begin(), points->end(), Allowed)) return std::nullopt;
  if (points->front() == '-' || points->back() == '-') return std::nullopt;
  if (std::all_of(points->begin(), points->end(), [](char32_t c) { return c < 0x80; })) return std::string(label);
  std::u32string lower = *points;
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  std::string ascii = "xn--" + Punycode(lower);
  if (ascii.size() > MailDomain::kMaxLabel) return std::nullopt;
  return ascii;
}

}  // namespace

std::optional<std::string> MailDomain::ToAscii(std::string_view domain) {
  std::string out;
  for (size_t start = 0; start <= domain.size();) {
    const size_t dot = std::min(domain.find('.', start), domain.size());
    const std::optional<std::string> label = LabelToAscii(domain.substr(start, dot - start));
    if (!label) return std::nullopt;
    out += (out.empty() ? "" : ".") + *label;
    start = dot + 1;
  }
  if (out.size() > kMaxDomain) return std::nullopt;
  return out;
}
