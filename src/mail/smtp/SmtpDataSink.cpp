#include "mail/smtp/SmtpDataSink.h"

#include "mail/smtp/DotStuffing.h"
#include "mail/smtp/MimeWriter.h"

ProcessResult SmtpDataSink::Send(std::string_view bytes, int timeoutMs) {
  channel_.SendRaw(bytes, timeoutMs);
  return channel_.LastResult();
}

ProcessResult SmtpDataSink::SendBody(std::string_view body) {
  for (std::string_view piece : DotStuffing::Pieces(body)) {
    ProcessResult result = Send(piece, MimeWriter::kBodyTimeoutMs);
    if (result != kProcessDone) return result;
  }
  return kProcessDone;
}
