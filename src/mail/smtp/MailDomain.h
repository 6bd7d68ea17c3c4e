#pragma once

#include <optional>
#include <string>
#include <string_view>

// A mail domain in the form every mail server takes: each label that is not
// ASCII is lower-cased and written as "xn--" plus its Punycode (RFC 3492),
// so "müller-söhne.de" goes out as "xn--mller-shne-kcb9d.de"; ASCII labels
// stay as written. Lower-casing covers ASCII, Latin-1, Greek and Cyrillic
// capitals; other scripts are taken as typed.
class MailDomain {
 public:
  static constexpr std::size_t kMaxLabel = 63;
  static constexpr std::size_t kMaxDomain = 253;

  // Nothing when `domain` (UTF-8) is no host name: an empty label, a label
  // starting or ending with "-", a character other than a letter, a digit
  // or "-", bytes that are not UTF-8, or a label or the whole too long.
  static std::optional<std::string> ToAscii(std::string_view domain);
};
