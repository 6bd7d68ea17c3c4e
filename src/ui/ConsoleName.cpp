#include "ui/ConsoleName.h"

#include "ui/NameComposition.h"

namespace {

constexpr size_t kMaxNameLength = 200;
// A name decoded more often than this is refused as a whole.
constexpr int kMaxDecodeRounds = 4;
// Besides control characters.
constexpr std::string_view kNotInMailBoxNames = "/\\:*?\"<>|";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PlainNameProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.size() > kMaxNameLength) return "is too long";
  if (name.find_first_not_of('.') == std::string_view::npos) return "is only dots";
  if (name.find("..") != std::string_view::npos) return "holds \"..\"";
  for (unsigned char c : name) {
    if (c == '/' || c == '\\') return "holds a path separator";
    if (c < 0x20 || c == 0x7f) return "holds a control character";
  }
  return "";
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string RequestNameProblem(std::string_view name) {
  std::string current(name);
  for (int round = 0; round < kMaxDecodeRounds; ++round) {
    if (std::string problem = PlainNameProblem(current); !problem.empty()) return problem;
    if (current.find('%') == std::string::npos) return "";
    std::optional<std::string> decoded = PercentDecode(current);
    // A lone "%" is an ordinary character of the name.
    if (!decoded || *decoded == current) return "";
    current = std::move(*decoded);
  }
  return "is encoded too often";
}

std::string TypedName(std::string_view typed) {
  const size_t first = typed.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return ComposeLatinAccents(typed.substr(first, typed.find_last_not_of(' ') - first + 1));
}

std::string MailBoxNameProblem(std::string_view name) {
  for (unsigned char c : name) {
    const bool control = c < 0x20 || c == 0x7f;
    if (!control && kNotInMailBoxNames.find(static_cast<char>(c)) == std::string_view::npos) continue;
    const std::string held = control ? "a control character" : std::string("\"") + static_cast<char>(c) + "\"";
    return "the mailbox name holds " + held +
           ": a mailbox name cannot hold / \\ : * ? \" < > | or control characters";
  }
  if (std::string problem = RequestNameProblem(name); !problem.empty()) return "the mailbox name " + problem;
  return "";
}
