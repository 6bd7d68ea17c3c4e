#include "mail/smtp/SmtpSender.h"

#include <unistd.h>

#include <algorithm>

#include "core/Path.h"
#include "core/TextTrim.h"
#include "mail/smtp/Base64Lines.h"
#include "mail/smtp/MailAddress.h"
#include "mail/smtp/MimeHeaderText.h"
#include "mail/smtp/MimeWriter.h"
#include "mail/smtp/SigpipeBlock.h"
#include "mail/smtp/SmtpDataSink.h"
#include "mail/smtp/SmtpDate.h"

namespace {

std::string LocalHostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string WithoutLineBreaks(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

}  // namespace

SmtpSender::SmtpSender(const EmailSettings& settings, LProgress& progress)
    : settings_(settings),
      progress_(progress),
      connection_(progress),
      channel_(connection_, outcome_.transcript) {}

std::vector<std::string> SmtpSender::Recipients(std::string_view to) {
  std::vector<std::string> pieces = MailAddress::SplitList(to);
  for (std::string& piece : pieces) piece = CutText(piece, kMaxRecipient);
  return pieces;
}

std::string SmtpSender::EnvelopeOf(std::string_view text) {
  if (const std::optional<MailAddress> address = MailAddress::Parse(text)) return address->Envelope();
  return WithoutLineBreaks(std::string(text));
}

std::string SmtpSender::Utf8Addresses() const {
  std::string list;
  auto add = [&list](const std::string& address) {
    if (MimeHeaderText::IsAscii(EnvelopeOf(address))) return;
    list += (list.empty() ? "" : ", ") + std::string(TrimText(address));
  };
  add(from_);
  for (const std::string& to : recipients_) add(to);
  return list;
}

bool SmtpSender::Fail(const std::string& error) {
  outcome_.result = kProcessFailed;
  outcome_.error = error;
  return false;
}

bool SmtpSender::Stopped() {
  outcome_.result = kProcessCancelled;
  outcome_.error = "Email sending stopped";
  return false;
}

bool SmtpSender::Refused(int code, std::initializer_list<int> accepted, const std::string& error) {
  if (channel_.LastResult() == kProcessCancelled) return !Stopped();
  if (std::find(accepted.begin(), accepted.end(), code) != accepted.end()) return false;
  return !Fail(error);
}

EmailSendResult SmtpSender::Send(const EmailMessage& message) {
  SigpipeBlock quietPipe;
  progress_.SetText(1, "Sending Email");
  progress_.SetProgress(0.0);
  host_ = MailHost::Parse(settings_.mailHost);
  from_ = message.from;
  recipients_ = Recipients(message.to);
  if (host_.user.empty()) {
    host_.user = settings_.smtpUser;
    host_.password = settings_.smtpPassword;
  }
  if (Open() && Greet() && Secure() && Authenticate() && Deliver(message)) {
    outcome_.result = kProcessDone;
    outcome_.error.clear();
  }
  return outcome_;
}

bool SmtpSender::Open() {
  if (settings_.mailHost.empty()) return Fail("No mail host is set for the simple SMTP option");
  if (!host_.valid) return Fail("The mail host setting is not valid: " + settings_.mailHost);
  const bool implicitTls = settings_.smtpSecurity == SmtpSecurity::kTls;
  const int port = host_.port != 0 ? host_.port : implicitTls ? 465 : 25;
  progress_.SetText(1, "Connecting to server");
  channel_.Note("connect " + host_.host + " port " + std::to_string(port));
  std::string why;
  ProcessResult result = connection_.Connect(host_.host, port, kConnectTimeoutMs, why);
  if (result == kProcessCancelled) return Stopped();
  if (result != kProcessDone) {
    return Fail("Unable to connect to the mail server " + host_.host + " port " + std::to_string(port) +
                " (" + why + ")");
  }
  return !implicitTls || StartTls();
}

bool SmtpSender::StartTls() {
  std::string why;
  const ProcessResult result =
      connection_.StartTls(host_.host, settings_.smtpVerify, SmtpChannel::kCommandTimeoutMs, why);
  if (result == kProcessCancelled) return Stopped();
  if (result != kProcessDone) {
    return Fail("Unable to start a secure connection to the mail server (" + why + ")");
  }
  channel_.Note("TLS " + connection_.TlsDescription());
  return true;
}

bool SmtpSender::Greet() {
  progress_.SetProgress(0.1);
  progress_.SetText(1, "Logon to mail server");
  if (Refused(channel_.ReadReply(), {220}, "Mail server not responding")) return false;
  // EHLO when the server's extensions matter: for AUTH, a required STARTTLS
  // or SMTPUTF8.
  const bool extended = !host_.user.empty() || settings_.smtpSecurity == SmtpSecurity::kStartTls ||
                        !Utf8Addresses().empty();
  const std::string name = WithoutLineBreaks(LocalHostName());
  const int code = channel_.Command((extended ? "EHLO " : "HELO ") + name);
  if (Refused(code, {250}, "Mail host server error (HELO not accepted)")) return false;
  if (extended) offers_ = SmtpExtensions::FromEhloReply(channel_.ReplyLines());
  return true;
}

bool SmtpSender::Secure() {
  if (connection_.Secure()) return true;
  const SmtpSecurity security = settings_.smtpSecurity;
  if (security == SmtpSecurity::kStartTls && !offers_.startTls) {
    return Fail("The mail server does not offer STARTTLS");
  }
  // Credentials never go out in clear to a server that could take them
  // encrypted.
  const bool wanted = security != SmtpSecurity::kNone || !host_.user.empty();
  if (!offers_.startTls || !wanted) return true;
  if (Refused(channel_.Command("STARTTLS"), {220},
              "Mail host server error (STARTTLS not accepted)")) {
    return false;
  }
  if (!StartTls()) return false;
  const int code = channel_.Command("EHLO " + WithoutLineBreaks(LocalHostName()));
  if (Refused(code, {250}, "Mail host server error (HELO not accepted)")) return false;
  offers_ = SmtpExtensions::FromEhloReply(channel_.ReplyLines());
  return true;
}

bool SmtpSender::Authenticate() {
  if (host_.user.empty()) return true;
  const std::string refused = "Email authentication username or password not accepted";
  if (offers_.authPlain) {
    const std::string token = Base64Lines::Encode(std::string(1, '\0') + host_.user +
                                                  std::string(1, '\0') + host_.password);
    return !Refused(channel_.Command("AUTH PLAIN " + token, "AUTH PLAIN (credentials)"), {235},
                    refused);
  }
  // LOGIN; a server that does not answer 334 gets the mail unauthenticated.
  int code = channel_.Command("AUTH LOGIN");
  if (channel_.LastResult() == kProcessCancelled) return Stopped();
  if (code != 334) return true;
  code = channel_.Command(Base64Lines::Encode(host_.user), "(user name)");
  if (channel_.LastResult() == kProcessCancelled) return Stopped();
  if (code != 334) return true;
  code = channel_.Command(Base64Lines::Encode(host_.password), "(password)");
  return !Refused(code, {235}, refused);
}

bool SmtpSender::Deliver(const EmailMessage& message) {
  const std::string utf8 = Utf8Addresses();
  if (!utf8.empty() && !offers_.smtpUtf8) {
    return Fail("The mail server does not take addresses with non-English letters: " + utf8);
  }
  const int code = channel_.Command("MAIL FROM:<" + EnvelopeOf(from_) + ">" + (utf8.empty() ? "" : " SMTPUTF8"));
  if (Refused(code, {250}, "Mail host server error (MAIL FROM not accepted)")) return false;
  bool accepted = false;
  for (const std::string& to : recipients_) {
    const int reply = channel_.Command("RCPT TO:<" + EnvelopeOf(to) + ">");
    if (channel_.LastResult() == kProcessCancelled) return Stopped();
    accepted = accepted || reply == 250 || reply == 251;
  }
  if (!accepted) {
    return Fail(
        "Mail host server error (RCPT TO not accepted). Your server may required authenticated "
        "email. Please see Help for more information.");
  }
  if (progress_.IsCancelled()) return Stopped();
  if (Refused(channel_.Command("DATA"), {354}, "Mail host server error (DATA not accepted)")) {
    return false;
  }
  SmtpDataSink sink(channel_);
  const ProcessResult sent =
      MimeWriter::Write(message, SmtpDate::Format(message.date), sink, progress_);
  if (sent == kProcessCancelled) return Stopped();
  const std::string terminatorRefused = "Mail host server error (data terminator not accepted)";
  if (sent != kProcessDone) return Fail(terminatorRefused);
  channel_.Note("C: (message) .");
  const int ended =
      channel_.SendRaw("\r\n.\r\n", SmtpChannel::kCommandTimeoutMs) ? channel_.ReadReply() : 0;
  if (Refused(ended, {250}, terminatorRefused)) return false;
  progress_.SetProgress(0.95);
  progress_.SetText(1, "Quit");
  channel_.Command("QUIT");
  return true;
}
