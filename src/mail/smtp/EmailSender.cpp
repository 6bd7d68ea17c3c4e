#include "mail/smtp/EmailSender.h"

#include "mail/smtp/SmtpSender.h"
#include "mail/smtp/SystemMailer.h"

EmailSendResult SendMail(const EmailSettings& settings, const EmailMessage& message,
                          LProgress& progress) {
  if (settings.useSystemMailer) return SystemMailer(settings, progress).Send(message);
  return SmtpSender(settings, progress).Send(message);
}

EmailMessage TestEmail(const EmailSettings& settings, std::string to) {
  return {std::move(to), settings.fromEmail, "Zavotel test message",
          "This is a test message from Zavotel.\r\nE-mail delivery works.\r\n", {}};
}
