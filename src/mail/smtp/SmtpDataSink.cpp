#include "mail/smtp/SmtpDataSink.h"

#include "mail/smtp/DotStuffing.h"
#include "mail/smtp/MimeWriter.h"

ProcessResult SmtpDataSink::Send(std::string_view bytes, int timeoutMs) {
  channel_.SendRaw(bytes, timeoutMs);
  return channel_.LastResult();
}

ProcessResult SmtpDataSink::SendBody(std::string_view body) {
  // The body starts a line of the data (after the part's blank line), so a
  // "." there is doubled too; else the server would drop it, or take a lone
  // "." as the end of the message.
  if (body.starts_with('.')) {
    ProcessResult result = Send(".", MimeWriter::kBodyTimeoutMs);
    if (result != kProcessDone) return result;
  }
  for (std::string_view piece : DotStuffing::Pieces(body)) {
    ProcessResult result = Send(piece, MimeWriter::kBodyTimeoutMs);
    if (result != kProcessDone) return result;
  }
  return kProcessDone;
}
