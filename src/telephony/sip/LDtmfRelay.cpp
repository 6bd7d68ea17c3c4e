#include "telephony/sip/LDtmfRelay.h"

#include <optional>

#include "core/TextCompare.h"
#include "core/TextTrim.h"
#include "telephony/dsp/DtmfKeypad.h"

namespace {

// Around a name or value, as a body written on another system may carry.
constexpr std::string_view kSpaces = " \t\r";

// A decimal number of at most 9 digits.
std::optional<uint32_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return value;
}

char KeyOfSignal(std::string_view value) {
  if (value.size() == 1 && DtmfEventCode(value[0]) >= 0) {
    return value[0] >= 'a' ? static_cast<char>(value[0] - 'a' + 'A') : value[0];
  }
  const std::optional<uint32_t> code = Number(value);
  return code ? DtmfKeyOfEvent(*code) : 0;
}

}  // namespace

bool LDtmfRelay::Parse(std::string_view body, LDtmfRelay& relay) {
  if (body.size() > kMaxBody || body.find('\0') != std::string_view::npos) return false;
  bool haveSignal = false;
  bool haveDuration = false;
  relay = {};
  while (!body.empty()) {
    const size_t end = body.find('\n');
    const std::string_view line = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = TrimText(line.substr(0, equals), kSpaces);
    const std::string_view value = TrimText(line.substr(equals + 1), kSpaces);
    if (EqualIgnoringCase(name, "signal") && !haveSignal) {
      haveSignal = true;
      relay.key = KeyOfSignal(value);
    } else if (EqualIgnoringCase(name, "duration") && !haveDuration) {
      haveDuration = true;
      relay.durationMs = Number(value).value_or(0);
    }
  }
  return relay.key != 0;
}
