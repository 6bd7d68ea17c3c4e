#include "ui/ConsoleRequest.h"

#include <nlohmann/json.hpp>

namespace console_request {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// An object parsed without exceptions; a discarded value otherwise.
nlohmann::json ParseObject(std::string_view body) {
  nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
  if (!parsed.is_object()) return nlohmann::json(nlohmann::json::value_t::discarded);
  return parsed;
}

}  // namespace

std::string CookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const size_t end = header.find(';');
    std::string_view pair = Trim(header.substr(0, end));
    const size_t equals = pair.find('=');
    if (equals != std::string_view::npos && Trim(pair.substr(0, equals)) == name)
      return std::string(Trim(pair.substr(equals + 1)));
    if (end == std::string_view::npos) break;
    header.remove_prefix(end + 1);
  }
  return "";
}

bool HostAllowed(std::string_view host, int port, bool loopback) {
  if (!loopback) return true;
  const std::string suffix = ":" + std::to_string(port);
  for (std::string_view name : {"127.0.0.1", "localhost", "[::1]"}) {
    if (host == std::string(name) + suffix) return true;
  }
  return false;
}

bool OriginAllowed(std::string_view origin, std::string_view host, bool tls) {
  const std::string_view scheme = tls ? "https://" : "http://";
  return !host.empty() && origin.size() == scheme.size() + host.size() &&
         origin.substr(0, scheme.size()) == scheme && origin.substr(scheme.size()) == host;
}

std::optional<uint64_t> ContentLength(std::string_view header) {
  // 18 digits cannot overflow 64 bits.
  if (header.empty() || header.size() > 18) return std::nullopt;
  uint64_t value = 0;
  for (char c : header) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::optional<std::string> StringField(std::string_view body, std::string_view key) {
  nlohmann::json parsed = ParseObject(body);
  if (parsed.is_discarded()) return std::nullopt;
  const auto found = parsed.find(std::string(key));
  if (found == parsed.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::optional<std::string> LoginPassword(std::string_view body) { return StringField(body, "password"); }

std::optional<bool> AnsweringOn(std::string_view body) {
  nlohmann::json parsed = ParseObject(body);
  if (parsed.is_discarded() || !parsed.contains("on") || !parsed["on"].is_boolean())
    return std::nullopt;
  return parsed["on"].get<bool>();
}

std::optional<std::string> TextMember(std::string_view body, std::string_view key) {
  nlohmann::json parsed = ParseObject(body);
  if (parsed.is_discarded()) return std::nullopt;
  const auto member = parsed.find(key);
  if (member == parsed.end() || !member->is_string()) return std::nullopt;
  return member->get<std::string>();
}

std::optional<std::vector<std::string>> TextListMember(std::string_view body, std::string_view key) {
  nlohmann::json parsed = ParseObject(body);
  if (parsed.is_discarded()) return std::nullopt;
  const auto member = parsed.find(key);
  if (member == parsed.end() || !member->is_array() || member->size() > kMaxListed) return std::nullopt;
  std::vector<std::string> texts;
  for (const nlohmann::json& element : *member) {
    if (!element.is_string()) return std::nullopt;
    texts.push_back(element.get<std::string>());
  }
  return texts;
}

}  // namespace console_request
