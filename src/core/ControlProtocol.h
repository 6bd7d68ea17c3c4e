#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/LMessage.h"

// What travels over the control socket: one request line and one reply line
// per connection.
//
//   request  "<message> <wParam>[ <text>]\n"   e.g. "32767 3 Sales Menu\n"
//   reply    "<result>[ <text>]\n" | "error <text>\n"
//
// The message numbers are the main window's (WM_CONTROLCOMMAND with the
// command number in wParam, WM_LOADIVRFILE and its quiet form, WM_LSHUTDOWN);
// others are refused. The text stands in for a global atom, so it holds at
// most 259 characters and no control characters; the receiver never trusts
// its peer.
namespace control {

// A request line, its line end included, is never longer.
inline constexpr std::size_t kMaxRequest = 320;
// Replies carry an engine description at most this long.
inline constexpr std::size_t kMaxReply = 1024;

struct ParsedRequest {
  std::optional<LMessage> message;  // set when the line was understood
  std::string error;                // else why not
};

std::string FormatRequest(const LMessage& message);
// `line` is what arrived, its "\n" (or "\r\n") end included.
ParsedRequest ParseRequest(std::string_view line);

struct Reply {
  bool ok = false;
  int64_t result = 0;
  std::string text;  // the description, or the error when !ok
};

std::string FormatReply(const Reply& reply);
std::optional<Reply> ParseReply(std::string_view line);

// Why a text cannot travel, or "" when it can.
std::string TextProblem(std::string_view text);

}  // namespace control
