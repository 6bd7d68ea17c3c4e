#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The parts of a request the console itself parses (httplib parses the
// rest): cookies, the Host and Origin headers and the JSON bodies.
namespace console_request {

constexpr std::string_view kSessionCookie = "zavotel_session";
constexpr std::string_view kTokenHeader = "X-Console-Token";

// The value of cookie `name` in a Cookie header; "" when absent.
std::string CookieValue(std::string_view header, std::string_view name);

// Whether a Host header names this console: with `loopback` only the
// loopback names with our port are taken (a page from another site that
// resolves its own name to 127.0.0.1 is kept out); otherwise any host.
bool HostAllowed(std::string_view host, int port, bool loopback);

// An Origin header, when sent, must be this console itself: "http://" (or
// "https://" under TLS) followed by exactly the Host header.
bool OriginAllowed(std::string_view origin, std::string_view host, bool tls);

// A Content-Length header's value: decimal digits only, at most 18 of them;
// nullopt for anything else (a missing header included).
std::optional<uint64_t> ContentLength(std::string_view header);

// The text of `key` in a JSON object body ({"name": "..."}).
std::optional<std::string> StringField(std::string_view body, std::string_view key);

// {"password": "..."}.
std::optional<std::string> LoginPassword(std::string_view body);
// {"on": true|false}.
std::optional<bool> AnsweringOn(std::string_view body);
// The text of member `key` of a JSON object body; nothing when the body is no
// object or the member is missing or no text.
std::optional<std::string> TextMember(std::string_view body, std::string_view key);
// The texts of the array member `key`; nothing when any element is no text
// or there are more than kMaxListed.
constexpr size_t kMaxListed = 1000;
std::optional<std::vector<std::string>> TextListMember(std::string_view body, std::string_view key);

}  // namespace console_request
