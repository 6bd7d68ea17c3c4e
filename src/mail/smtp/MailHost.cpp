#include "mail/smtp/MailHost.h"

#include <algorithm>

namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Cuts `text` at the first ":" into what comes before (returned) and after.
std::string_view TakeField(std::string_view& text, bool& more) {
  const size_t colon = text.find(':');
  more = colon != std::string_view::npos;
  std::string_view field = text.substr(0, colon);
  text = more ? text.substr(colon + 1) : std::string_view();
  return field;
}

}  // namespace

MailHost MailHost::Parse(std::string_view text) {
  MailHost result;
  bool more = false;
  if (text.starts_with('[') && text.find(']') != std::string_view::npos) {
    const size_t close = text.find(']');
    result.host = text.substr(1, close - 1);
    text = text.substr(close + 1);
    more = text.starts_with(':');
    if (more) text.remove_prefix(1);
    result.valid = text.empty() || more;
  } else {
    result.host = TakeField(text, more);
  }
  if (result.host.empty()) result.valid = false;
  if (!more) return result;

  const size_t colon = text.find(':');
  const std::string_view second = text.substr(0, colon);
  if (AllDigits(second)) {
    result.port = second.size() > 5 ? 0 : std::stoi(std::string(second));
    if (result.port < 1 || result.port > 65535) result.valid = false;
    if (colon == std::string_view::npos) return result;
    text = text.substr(colon + 1);
  }
  result.user = TakeField(text, more);
  result.password = text;
  return result;
}

std::string MailHost::Address() const {
  std::string text = host.find(':') == std::string::npos ? host : "[" + host + "]";
  if (port != 0) text += ":" + std::to_string(port);
  return text;
}
