#include "ui/MailBoxProperties.h"

#include <algorithm>
#include <string_view>
#include <variant>

#include "mail/smtp/MailAddress.h"
#include "ui/SettingsFields.h"

namespace mailbox_properties {
namespace {

using nlohmann::json;
using S = LMailBoxSettings;

constexpr std::string_view kPassword = "ftppass";
constexpr std::size_t kMaxText = 259;
// The call flow keeps at most this many keyed digits.
constexpr std::size_t kMaxAccessDigits = 31;

struct Range {
  std::string_view key;
  int low;
  int high;
};
constexpr Range kRanges[] = {
    {"speechtotextengine", 0, 99},
    {"maxforwardattempts", 1, 99},
    {"forwardfailwaitmins", 0, 7 * 24 * 60},
    {"forwardrepeat", 0, 255},
};

bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 32 || byte == 127;
  });
}

// Numbers separated by "\": none of them may be empty.
bool EveryNumberGiven(std::string_view text) {
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\\', start), text.size());
    const std::string_view number = text.substr(start, end - start);
    if (number.find_first_not_of(' ') == std::string_view::npos) return false;
    start = end + 1;
  }
  return true;
}

std::string TextProblem(std::string_view key, const std::string& text) {
  if (text.size() > kMaxText) return "At most 259 characters.";
  if (HasControl(text)) return "Line breaks and control characters cannot be stored.";
  if (key == "accesscode" && text.find_first_not_of("0123456789") != std::string::npos)
    return "The access code is keyed on the telephone: digits only.";
  if (key == "accesscode" && text.size() > kMaxAccessDigits) return "At most 31 digits.";
  if (text.empty()) return "";
  if (key == "emailaddress" && !MailAddress::Parse(text))
    return "The email address must be one address: name@example.com or Name <name@example.com>.";
  if (key == "ftpserver" && !HostName(text)) return "This is not a server host name.";
  if (key == "sendfolder" && text[0] != '/') return "The folder must be a full path (starting with /).";
  if (key == "forwardnumber" && !EveryNumberGiven(text))
    return "Numbers are separated by \\; none of them may be empty.";
  return "";
}

std::string IntProblem(std::string_view key, int value) {
  for (const Range& range : kRanges) {
    if (range.key == key && (value < range.low || value > range.high))
      return "From " + std::to_string(range.low) + " to " + std::to_string(range.high) + ".";
  }
  return "";
}

// Takes one key's value, typed as its member; the problem when refused.
std::string Take(const LMailBoxKey& key, const json& value, S& settings) {
  struct Visitor {
    const LMailBoxKey& key;
    const json& value;
    S& s;
    std::string operator()(bool S::*member) const {
      if (!value.is_boolean()) return "Expected on or off.";
      s.*member = value.get<bool>();
      return "";
    }
    std::string operator()(int S::*member) const {
      if (!value.is_number_integer()) return "Expected a whole number.";
      const auto number = value.get<int64_t>();
      const int clamped = static_cast<int>(std::clamp<int64_t>(number, INT32_MIN, INT32_MAX));
      if (std::string problem = IntProblem(key.name, clamped); !problem.empty() || clamped != number)
        return problem.empty() ? "Too large." : problem;
      s.*member = clamped;
      return "";
    }
    // Only state keys are times, and those are never taken from the page.
    std::string operator()(std::time_t S::*) const { return "Kept by the engine."; }
    std::string operator()(std::string S::*member) const {
      if (!value.is_string()) return "Expected text.";
      std::string text = value.get<std::string>();
      if (std::string problem = TextProblem(key.name, text); !problem.empty()) return problem;
      if (key.name == kPassword && text.empty()) return "";  // keeps the stored one
      s.*member = std::move(text);
      return "";
    }
  };
  return std::visit(Visitor{key, value, settings}, key.member);
}

// The checks the dialog makes on OK: a delivery method needs its address.
std::optional<Refusal> Incomplete(const S& s) {
  if (s.remoteAccess && s.accessCode.empty())
    return Refusal{"accesscode", "An access code is required for remote access."};
  if (s.sendEmail && s.emailAddress.empty())
    return Refusal{"emailaddress", "An email address is required for the Email Notification or Send option."};
  if (s.sendFtp && s.ftpServer.empty())
    return Refusal{"ftpserver",
                   "An ftp server (eg. ftp.example.com) is required for the Upload to Internet option."};
  if (s.sendToFolder && s.sendFolder.empty())
    return Refusal{"sendfolder", "A folder is required for the Send to Folder option."};
  if (s.forwardTel && s.forwardNumber.empty())
    return Refusal{"forwardnumber", "A telephone number is required for the Forward by Telephone option."};
  return std::nullopt;
}

}  // namespace

json ToJson(const S& settings) {
  json out = json::object();
  for (const LMailBoxKey& key : MailBoxKeys()) {
    const std::string name(key.name);
    std::visit([&](auto member) { out[name] = settings.*member; }, key.member);
  }
  out.erase(std::string(kPassword));
  out["ftppassSet"] = !settings.ftpPass.empty();
  return out;
}

std::optional<Refusal> Apply(const json& values, S& settings) {
  if (!values.is_object()) return Refusal{"", "Expected the properties as an object."};
  for (const LMailBoxKey& key : MailBoxKeys()) {
    const auto given = values.find(std::string(key.name));
    if (key.state || given == values.end()) continue;
    if (std::string problem = Take(key, *given, settings); !problem.empty())
      return Refusal{std::string(key.name), problem};
  }
  const auto clear = values.find("ftppassClear");
  if (clear != values.end() && *clear == true) settings.ftpPass.clear();
  return Incomplete(settings);
}

}  // namespace mailbox_properties
