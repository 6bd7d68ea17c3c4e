#include "telephony/sip/SipCallerId.h"

#include <cctype>

#include "core/Path.h"
#include "core/TextCompare.h"
#include "core/TextTrim.h"
#include "core/Utf8Text.h"

namespace {

// The parts of one name-addr or addr-spec that caller data needs.
struct NameAddr {
  std::string_view name;
  std::string_view uri;
  bool quotedName = false;
};

constexpr int kMaxRingPattern = 999;
// Bytes read before cleaning: room for kMaxText bytes of UTF-8 after
// format characters are dropped.
constexpr size_t kMaxRawText = 4 * SipCallerId::kMaxText;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The characters that change how the text around them shows or hide
// themselves: C1 controls, the soft hyphen, zero-width and joiner
// characters, bidirectional controls (such as U+202E, which shows what
// follows reversed), invisible operators and the byte order mark.
bool IsFormatCharacter(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0xAD || c == 0x61C || c == 0x180E ||
         (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

// The code point of the well-formed sequence at `text[at]` and its length.
char32_t DecodeAt(std::string_view text, size_t at, size_t& length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
  return c;
}

// UTF-8 (bytes that are none read as code page 1252) without format
// characters, cut at kMaxText bytes on a character boundary.
std::string Shown(std::string_view bytes) {
  const std::string utf8 = AsUtf8(bytes);
  std::string out;
  for (size_t at = 0, length = 0; at < utf8.size(); at += length)
    if (!IsFormatCharacter(DecodeAt(utf8, at, length))) out.append(utf8, at, length);
  return CutText(out, SipCallerId::kMaxText);
}

// Decodes %hh (when `escapes`) and backslash pairs (quoted names) and keeps
// printable characters only, at most kMaxText bytes of them.
std::string Clean(std::string_view text, bool escapes, bool quoted) {
  std::string out;
  for (size_t i = 0; i < text.size() && out.size() < kMaxRawText; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (quoted && c == '\\' && i + 1 < text.size()) {
      c = static_cast<unsigned char>(text[++i]);
    } else if (escapes && c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      c = static_cast<unsigned char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    }
    if (c >= 0x20 && c != 0x7f) out.push_back(static_cast<char>(c));
  }
  return Shown(out);
}

// The first entry of a header value: '"name" <uri>', 'name <uri>' or 'uri;params'.
NameAddr ParseNameAddr(std::string_view value) {
  NameAddr result;
  value = TrimText(value);
  if (value.starts_with('"')) {
    size_t end = 1;
    while (end < value.size() && value[end] != '"') end += value[end] == '\\' ? 2 : 1;
    if (end >= value.size()) return result;  // no closing quote
    result.name = value.substr(1, end - 1);
    result.quotedName = true;
    value.remove_prefix(end + 1);
  }
  const size_t open = value.find('<');
  const size_t comma = value.find(',');
  if (open != std::string_view::npos && (comma == std::string_view::npos || open < comma)) {
    if (!result.quotedName) result.name = TrimText(value.substr(0, open));
    const size_t close = value.find('>', open);
    if (close == std::string_view::npos) return NameAddr{};
    result.uri = value.substr(open + 1, close - open - 1);
  } else if (!result.quotedName) {
    result.uri = TrimText(value.substr(0, value.find_first_of(";,")));
  }
  return result;
}

bool HasScheme(std::string_view uri, std::string_view scheme) {
  return uri.size() > scheme.size() && EqualIgnoringCase(uri.substr(0, scheme.size()), scheme);
}

// User and host of a sip:, sips: or tel: URI; both empty for other schemes.
void SplitUri(std::string_view uri, std::string_view& user, std::string_view& host) {
  user = host = {};
  uri = TrimText(uri);
  if (HasScheme(uri, "tel:")) {
    user = uri.substr(4, uri.find_first_of(";?") - 4);
    return;
  }
  if (HasScheme(uri, "sip:"))
    uri.remove_prefix(4);
  else if (HasScheme(uri, "sips:"))
    uri.remove_prefix(5);
  else
    return;
  const size_t at = uri.find('@');
  if (at != std::string_view::npos) {
    user = uri.substr(0, at);
    user = user.substr(0, user.find_first_of(";:"));
    uri.remove_prefix(at + 1);
  }
  host = uri.substr(0, uri.find_first_of(";?:"));
}

bool IsAnonymous(std::string_view user, std::string_view host) {
  return EqualIgnoringCase(user, "anonymous") || EqualIgnoringCase(host, "anonymous.invalid");
}

// RFC 3323 values "id", "user" and "header" hide the caller.
bool PrivacyHidesCaller(std::string_view privacy) {
  while (!privacy.empty()) {
    const size_t end = privacy.find_first_of(";,");
    const std::string_view token = TrimText(privacy.substr(0, end));
    if (EqualIgnoringCase(token, "id") || EqualIgnoringCase(token, "user") ||
        EqualIgnoringCase(token, "header"))
      return true;
    if (end == std::string_view::npos) break;
    privacy.remove_prefix(end + 1);
  }
  return false;
}

bool IsWordStart(std::string_view text, size_t pos) {
  return pos == 0 || !std::isalnum(static_cast<unsigned char>(text[pos - 1]));
}

// Digits after `pos` (one '-' or '_' may come first); 0 when none or too many.
int NumberAt(std::string_view text, size_t pos) {
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '_')) ++pos;
  int value = 0;
  size_t digits = 0;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    if (++digits > 3) return 0;
    value = value * 10 + (text[pos++] - '0');
  }
  return value <= kMaxRingPattern ? value : 0;
}

}  // namespace

SipCallerId SipCallerId::Parse(std::string_view assertedIdentity, std::string_view from,
                               std::string_view privacy) {
  NameAddr identity = ParseNameAddr(assertedIdentity);
  std::string_view user;
  std::string_view host;
  SplitUri(identity.uri, user, host);
  if (user.empty() && host.empty()) {
    identity = ParseNameAddr(from);
    SplitUri(identity.uri, user, host);
  }
  SipCallerId caller;
  if (PrivacyHidesCaller(privacy) || IsAnonymous(user, host)) {
    caller.number = kBlocked;
    caller.blocked = true;
    return caller;
  }
  caller.number = Clean(user, true, false);
  caller.name = Clean(identity.name, false, identity.quotedName);
  return caller;
}

int SipCallerId::RingPatternNumber(std::string_view alertInfo) {
  static constexpr std::string_view kWords[] = {"dr", "ring"};
  for (size_t pos = 0; pos < alertInfo.size(); ++pos) {
    if (!IsWordStart(alertInfo, pos)) continue;
    for (const std::string_view word : kWords) {
      if (alertInfo.size() - pos < word.size() ||
          !EqualIgnoringCase(alertInfo.substr(pos, word.size()), word))
        continue;
      if (const int number = NumberAt(alertInfo, pos + word.size())) return number;
    }
  }
  return 0;
}

std::string SipCallerId::UriUser(std::string_view uri) {
  std::string_view user;
  std::string_view host;
  SplitUri(uri, user, host);
  return Clean(user, true, false);
}
