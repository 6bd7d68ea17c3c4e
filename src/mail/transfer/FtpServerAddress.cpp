#include "mail/transfer/FtpServerAddress.h"

#include <cctype>

#include "core/TextCompare.h"
#include "core/TextTrim.h"

namespace {

bool IsHostName(std::string_view host) {
  if (host.empty()) return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    for (char c : host.substr(1, host.size() - 2)) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
    }
    return true;
  }
  for (char c : host) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_') return false;
  }
  return true;
}

std::optional<int> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return port;
}

}  // namespace

std::optional<FtpServerAddress> FtpServerAddress::Parse(std::string_view text) {
  text = TrimText(text, " \t\n\v\f\r");
  FtpServerAddress address;
  const std::size_t scheme = text.find("://");
  if (scheme != std::string_view::npos) {
    const std::string_view name = text.substr(0, scheme);
    if (EqualIgnoringCase(name, "ftps")) {
      address.tls = true;
    } else if (!EqualIgnoringCase(name, "ftp")) {
      return std::nullopt;
    }
    text.remove_prefix(scheme + 3);
  }
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);

  // The port separator is the last ":" after any bracketed address.
  const std::size_t bracket = text.rfind(']');
  const std::size_t colon = text.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    const std::optional<int> port = ParsePort(text.substr(colon + 1));
    if (!port) return std::nullopt;
    address.port = *port;
    text = text.substr(0, colon);
  }
  if (!IsHostName(text)) return std::nullopt;
  address.host = std::string(text);
  return address;
}

std::string FtpServerAddress::Url() const { return "ftp://" + host + ":" + std::to_string(port) + "/"; }
