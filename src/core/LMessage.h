#pragma once

#include <cstdint>
#include <string>

// One main-window message (numbers in core/MainMessages.h). A path or text
// that would travel as a pointer in lParam travels in `text` instead, copied,
// so the sender's buffers may go away at once.
struct LMessage {
  uint32_t id = 0;
  int64_t wParam = 0;
  int64_t lParam = 0;
  std::string text;
};
