#include "core/ControlProtocol.h"

#include <charconv>

#include "core/MainMessages.h"
#include "core/Path.h"

namespace control {
namespace {

// Strips the line end; nullopt when there is none or a second line follows.
std::optional<std::string_view> OneLine(std::string_view line, std::size_t max) {
  if (line.size() > max || line.empty() || line.back() != '\n') return std::nullopt;
  line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  return line;
}

// A plain decimal number without sign or leading zeros, up to the first
// space; the rest (after that space) is left in `line`.
template <class T>
std::optional<T> TakeNumber(std::string_view& line) {
  const std::size_t end = std::min(line.find(' '), line.size());
  const std::string_view digits = line.substr(0, end);
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0') || digits[0] == '-' ||
      digits[0] == '+')
    return std::nullopt;
  T value{};
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
  line.remove_prefix(end == line.size() ? end : end + 1);
  return value;
}

bool Accepted(uint32_t id) {
  return id == WM_CONTROLCOMMAND || id == WM_LOADIVRFILE || id == WM_LOADIVRFILEQUIET ||
         id == WM_LSHUTDOWN;
}

}  // namespace

std::string TextProblem(std::string_view text) {
  if (text.size() > kMaxText) return "is longer than 259 characters";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return "holds a control character";
  }
  return "";
}

std::string FormatRequest(const LMessage& message) {
  std::string line = std::to_string(message.id) + " " + std::to_string(message.wParam);
  if (!message.text.empty()) line += " " + message.text;
  return line + "\n";
}

ParsedRequest ParseRequest(std::string_view line) {
  ParsedRequest parsed;
  std::optional<std::string_view> body = OneLine(line, kMaxRequest);
  if (!body) {
    parsed.error = "not one line of at most 320 bytes";
    return parsed;
  }
  const std::optional<uint32_t> id = TakeNumber<uint32_t>(*body);
  if (!id || !Accepted(*id)) {
    parsed.error = "unknown message";
    return parsed;
  }
  // A trailing space without text would make two spellings of one request.
  const bool hadSpace = body->find(' ') != std::string_view::npos;
  const std::optional<int32_t> wParam = TakeNumber<int32_t>(*body);
  if (!wParam || (hadSpace && body->empty())) {
    parsed.error = "bad command number";
    return parsed;
  }
  if (std::string problem = TextProblem(*body); !problem.empty()) {
    parsed.error = "argument " + problem;
    return parsed;
  }
  parsed.message = LMessage{*id, *wParam, 0, std::string(*body)};
  return parsed;
}

std::string FormatReply(const Reply& reply) {
  std::string line = reply.ok ? std::to_string(reply.result) : std::string("error");
  if (!reply.text.empty()) line += " " + reply.text;
  return line + "\n";
}

std::optional<Reply> ParseReply(std::string_view line) {
  std::optional<std::string_view> body = OneLine(line, kMaxReply);
  if (!body) return std::nullopt;
  Reply reply;
  if (body->substr(0, 5) == "error" && (body->size() == 5 || (*body)[5] == ' ')) {
    reply.text = std::string(body->substr(std::min<std::size_t>(6, body->size())));
    return reply;
  }
  const std::optional<int64_t> result = TakeNumber<int64_t>(*body);
  if (!result) return std::nullopt;
  reply.ok = true;
  reply.result = *result;
  reply.text = std::string(*body);
  return reply;
}

}  // namespace control
