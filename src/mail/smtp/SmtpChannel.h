#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mail/smtp/SmtpConnection.h"

// The command-and-reply layer of an SMTP dialogue over one connection. It
// keeps the transcript ("C: " lines sent, "S: " lines received) and the
// result of the last network operation, so a step can tell a stop from a
// refusal.
class SmtpChannel {
 public:
  static constexpr int kCommandTimeoutMs = 20000;
  static constexpr int kReceiveTimeoutMs = 20000;
  // A reply that trickles in is given up after this long in all.
  static constexpr int kReplyLimitMs = 300000;
  static constexpr size_t kReceiveBytes = 512;

  SmtpChannel(SmtpConnection& connection, std::vector<std::string>& transcript)
      : connection_(connection), transcript_(transcript) {}

  // Reads one reply; its code, or 0 when nothing usable came.
  int ReadReply();
  // Sends `line` + "\r\n" and reads the reply. The transcript shows `shown`
  // instead of the line when given (credentials).
  int Command(std::string_view line, std::string_view shown = {});
  // Sends without reading a reply (message content).
  bool SendRaw(std::string_view bytes, int timeoutMs);

  // The lines of the last reply.
  const std::vector<std::string>& ReplyLines() const { return replyLines_; }
  // 1 when the last operation was stopped, 2 when it failed, else 0.
  ProcessResult LastResult() const { return last_; }
  void Note(std::string line) { transcript_.push_back(std::move(line)); }

 private:
  SmtpConnection& connection_;
  std::vector<std::string>& transcript_;
  std::vector<std::string> replyLines_;
  ProcessResult last_ = kProcessDone;
};
