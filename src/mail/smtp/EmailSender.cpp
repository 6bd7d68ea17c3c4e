#include "mail/smtp/EmailSender.h"

#include "mail/smtp/SmtpSender.h"
#include "mail/smtp/SystemMailer.h"

EmailSendResult SendMail(const EmailSettings& settings, const EmailMessage& message,
                          LProgress& progress) {
  if (settings.useSystemMailer) return SystemMailer(settings, progress).Send(message);
  return SmtpSender(settings, progress).Send(message);
}
