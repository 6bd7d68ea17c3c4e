#pragma once

#include "audio/LProgress.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/EmailSettings.h"

// Hands a message to the system mailer: runs "<sendmail> -t -oi" (no shell)
// and writes the MIME message to its input with Unix line ends; the mailer
// takes the recipients from the To header. Sent means it exited with 0.
class SystemMailer {
 public:
  static constexpr int kFinishTimeoutMs = 60000;

  SystemMailer(const EmailSettings& settings, LProgress& progress)
      : settings_(settings), progress_(progress) {}
  EmailSendResult Send(const EmailMessage& message);

  // Whether the configured program exists and may be run.
  bool Installed() const;

 private:
  const EmailSettings& settings_;
  LProgress& progress_;
};
