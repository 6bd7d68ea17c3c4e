#pragma once

#include "mail/smtp/MimeSink.h"
#include "mail/smtp/SmtpChannel.h"

// The SMTP data phase as a MimeSink: the body goes out dot-stuffed (its
// first line included), in pieces of 30 s each; everything else as it is.
class SmtpDataSink final : public MimeSink {
 public:
  explicit SmtpDataSink(SmtpChannel& channel) : channel_(channel) {}

  ProcessResult Send(std::string_view bytes, int timeoutMs) override;
  ProcessResult SendBody(std::string_view body) override;

 private:
  SmtpChannel& channel_;
};
