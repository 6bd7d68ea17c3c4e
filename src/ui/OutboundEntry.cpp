#include "ui/OutboundEntry.h"

#include <cctype>
#include <string_view>

#include "core/QueryText.h"
#include "ui/ConsoleName.h"

namespace outbound_entry {
namespace {

using nlohmann::json;

// The scheduler cuts longer entries, losing their end.
constexpr std::size_t kMaxEntry = 259;
constexpr std::size_t kMaxKey = 32;

bool IsOgmKey(std::string_view key) { return key == "ogm" || key == "ogmanswer" || key == "ogmmachine"; }
bool IsCountKey(std::string_view key) {
  return key == "attempts" || key == "interval" || key == "intervalnext";
}

std::string WithoutBlanks(std::string_view text) {
  std::string kept;
  for (char c : text)
    if (static_cast<unsigned char>(c) > 32) kept += c;
  return kept;
}

std::string NumberProblem(const std::string& number) {
  if (number.empty()) return "Enter the number to call.";
  for (char c : number) {
    if (c == ';' || c == '&' || c == '=' || c == '%' || static_cast<unsigned char>(c) > 126)
      return std::string("A number cannot contain \"") + c + "\".";
  }
  return "";
}

std::string KeyProblem(std::string_view key) {
  if (key.empty() || key.size() > kMaxKey) return "A parameter name has 1 to 32 letters, digits or _.";
  for (char c : key) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
      return "A parameter name has 1 to 32 letters, digits or _.";
  }
  return "";
}

std::string ValueProblem(const std::string& key, const std::string& value,
                         const std::function<bool(const std::string&)>& ogmExists) {
  if (IsCountKey(key) && (value.size() > 10 || value.find_first_not_of("0123456789") != std::string::npos))
    return "Expected a whole number.";
  if (key == "attempts" && std::stoll(value) < 1) return "At least 1.";
  if (IsOgmKey(key) && (!RequestNameProblem(value).empty() || !ogmExists(value))) return "There is no such OGM.";
  return "";
}

}  // namespace

json ToJson(const std::string& entry) {
  const std::size_t amp = entry.find('&');
  json params = json::object();
  if (amp != std::string::npos) {
    ParseQueryText(std::string_view(entry).substr(amp + 1),
                   [&params](const std::string& key, const std::string& value) {
                     if (!params.contains(key)) params[key] = value;
                   });
  }
  return {{"entry", entry}, {"number", entry.substr(0, amp)}, {"params", params}};
}

Built Compose(const json& request, const std::function<bool(const std::string&)>& ogmExists) {
  const auto number = request.find("number");
  if (number == request.end() || !number->is_string()) return {"", "number", "Enter the number to call."};
  std::string entry = WithoutBlanks(number->get<std::string>());
  if (std::string problem = NumberProblem(entry); !problem.empty()) return {"", "number", problem};
  const auto params = request.find("params");
  if (params != request.end() && !params->is_object()) return {"", "params", "Expected the parameters as an object."};
  if (params != request.end()) {
    for (const auto& [key, value] : params->items()) {
      if (std::string problem = KeyProblem(key); !problem.empty()) return {"", "params", problem};
      if (!value.is_string()) return {"", key, "Expected text."};
      const std::string text = value.get<std::string>();
      if (text.empty()) continue;
      if (std::string problem = ValueProblem(key, text, ogmExists); !problem.empty()) return {"", key, problem};
      entry += "&" + key + "=" + PercentEncode(text);
    }
  }
  if (entry.size() > kMaxEntry) return {"", "params", "The entry is longer than 259 characters."};
  return {entry, "", ""};
}

}  // namespace outbound_entry
