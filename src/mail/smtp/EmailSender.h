#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "audio/LProgress.h"
#include "audio/LProgressProcess.h"
#include "mail/smtp/EmailSettings.h"

struct EmailMessage {
  std::string to;  // one or more addresses separated by ","
  std::string from;
  std::string subject;
  std::string body;                      // "\r\n" line ends
  std::vector<std::string> attachments;  // file paths, may be empty
  std::time_t date = 0;                  // the Date header's instant; 0: when it is sent
};

struct EmailSendResult {
  ProcessResult result = kProcessFailed;  // 0 sent, 1 stopped, 2 failed
  std::string error;                      // the error text to log, empty when sent
  // The dialogue, one line per command or reply line; no passwords and no
  // message content.
  std::vector<std::string> transcript;
};

// The short message that tests the e-mail settings.
EmailMessage TestEmail(const EmailSettings& settings, std::string to);

// Sends through the system mailer or the SMTP sender as the settings say.
// Every wait tests progress.IsCancelled, so a stop ends it within about
// 200 ms. Nothing is written to the system log: the caller logs `error`.
EmailSendResult SendMail(const EmailSettings& settings, const EmailMessage& message,
                          LProgress& progress);
