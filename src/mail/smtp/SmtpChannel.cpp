#include "mail/smtp/SmtpChannel.h"

#include <chrono>

#include "mail/smtp/SmtpReplyReader.h"

int SmtpChannel::ReadReply() {
  SmtpReplyReader reader;
  char buffer[kReceiveBytes];
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyLimitMs);
  last_ = kProcessDone;
  while (!reader.Done() && !reader.TooLong()) {
    if (std::chrono::steady_clock::now() > limit) {
      last_ = kProcessFailed;
      break;
    }
    size_t got = 0;
    last_ = connection_.Receive(buffer, sizeof buffer, got, kReceiveTimeoutMs);
    if (last_ != kProcessDone) break;
    reader.Feed(std::string_view(buffer, got));
  }
  replyLines_ = reader.Lines();
  for (const std::string& line : replyLines_) transcript_.push_back("S: " + line);
  if (reader.TooLong()) {
    transcript_.push_back("S: (reply too long)");
    last_ = kProcessFailed;
  }
  return reader.Done() ? reader.Code() : 0;
}

int SmtpChannel::Command(std::string_view line, std::string_view shown) {
  transcript_.push_back("C: " + std::string(shown.empty() ? line : shown));
  if (!SendRaw(std::string(line) + "\r\n", kCommandTimeoutMs)) {
    replyLines_.clear();
    return 0;
  }
  return ReadReply();
}

bool SmtpChannel::SendRaw(std::string_view bytes, int timeoutMs) {
  last_ = connection_.Send(bytes, timeoutMs);
  return last_ == kProcessDone;
}
