#pragma once

#include <string_view>

#include "audio/LProgressProcess.h"

// Where MimeWriter puts a message: the SMTP data phase or the system
// mailer's input. Each call sends one unit within its time-out.
class MimeSink {
 public:
  MimeSink() = default;
  virtual ~MimeSink() = default;
  MimeSink(const MimeSink&) = delete;
  MimeSink& operator=(const MimeSink&) = delete;

  virtual ProcessResult Send(std::string_view bytes, int timeoutMs) = 0;
  // The message text, which the SMTP data phase dot-stuffs.
  virtual ProcessResult SendBody(std::string_view body) = 0;
};
