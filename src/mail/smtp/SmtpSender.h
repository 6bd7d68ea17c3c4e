#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "audio/LProgress.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/EmailSettings.h"
#include "mail/smtp/MailHost.h"
#include "mail/smtp/SmtpChannel.h"
#include "mail/smtp/SmtpConnection.h"
#include "mail/smtp/SmtpExtensions.h"

// Sends one message by speaking SMTP to the configured mail host: greeting,
// HELO or EHLO, STARTTLS when offered or required, AUTH with a user name,
// MAIL FROM, one RCPT TO per address, DATA, the MIME message, QUIT. Each
// message has its own connection. Addresses whose local part is not ASCII
// go out with SMTPUTF8, so they need EHLO and a server that offers it.
class SmtpSender {
 public:
  static constexpr int kConnectTimeoutMs = 10000;
  static constexpr size_t kMaxRecipient = 259;

  SmtpSender(const EmailSettings& settings, LProgress& progress);
  EmailSendResult Send(const EmailMessage& message);

  // The "to" list cut at every "," outside double quotes: the non-empty
  // pieces, untrimmed, each at most kMaxRecipient characters.
  static std::vector<std::string> Recipients(std::string_view to);
  // What MAIL FROM or RCPT TO carries for `text`: the address without its
  // name and with its domain in ASCII; text that is no address as it is,
  // without line breaks.
  static std::string EnvelopeOf(std::string_view text);

 private:
  bool Open();
  bool Greet();
  bool Secure();
  // The TLS handshake on the open connection.
  bool StartTls();
  bool Authenticate();
  bool Deliver(const EmailMessage& message);
  // The addresses, as given, that need SMTPUTF8, separated by ", ".
  std::string Utf8Addresses() const;
  // True (and the result set) when the last command was stopped or its
  // reply is none of `accepted`.
  bool Refused(int code, std::initializer_list<int> accepted, const std::string& error);
  bool Fail(const std::string& error);
  bool Stopped();

  const EmailSettings& settings_;
  LProgress& progress_;
  MailHost host_;
  EmailSendResult outcome_;
  SmtpConnection connection_;
  SmtpChannel channel_;
  SmtpExtensions offers_;
  std::string from_;
  std::vector<std::string> recipients_;
};
