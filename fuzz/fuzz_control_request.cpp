// Reads arbitrary bytes as a control socket request line: a line is either
// refused with a reason or gives an accepted message whose text could have
// travelled, and writing it out again reads back as the same request.
#include <cstdlib>
#include <string_view>

#include "core/ControlProtocol.h"
#include "core/MainMessages.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const control::ParsedRequest parsed = control::ParseRequest(line);
  if (!parsed.message) {
    Require(!parsed.error.empty());
    return 0;
  }
  const LMessage& message = *parsed.message;
  Require(size <= control::kMaxRequest);
  Require(message.id == WM_CONTROLCOMMAND || message.id == WM_LOADIVRFILE ||
          message.id == WM_LOADIVRFILEQUIET || message.id == WM_LSHUTDOWN);
  Require(message.wParam >= 0);
  Require(control::TextProblem(message.text).empty());
  const control::ParsedRequest again = control::ParseRequest(control::FormatRequest(message));
  Require(again.message && again.message->id == message.id && again.message->wParam == message.wParam &&
          again.message->text == message.text);
  // Replies round-trip as well, whatever text a request carried.
  const control::Reply reply{true, message.wParam, message.text};
  const std::optional<control::Reply> read = control::ParseReply(control::FormatReply(reply));
  Require(read && read->ok && read->result == reply.result && read->text == reply.text);
  return 0;
}
