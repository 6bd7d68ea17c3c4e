#include "mail/smtp/MimeWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/MailTestFiles.h"
#include "mail/smtp/TestProgress.h"
#include "support/TempDir.h"

namespace {

// Keeps every send with its time-out; bodies are marked "[body]".
class RecordingSink final : public MimeSink {
 public:
  ProcessResult Send(std::string_view bytes, int timeoutMs) override {
    sends.push_back(std::string(bytes));
    timeouts.push_back(timeoutMs);
    return failAt == static_cast<int>(sends.size()) ? kProcessFailed : kProcessDone;
  }
  ProcessResult SendBody(std::string_view body) override {
    sends.push_back("[body]" + std::string(body));
    timeouts.push_back(MimeWriter::kBodyTimeoutMs);
    return kProcessDone;
  }
  std::string All() const {
    std::string all;
    for (const std::string& send : sends) all += send;
    return all;
  }

  std::vector<std::string> sends;
  std::vector<int> timeouts;
  int failAt = 0;
};

const char kHead[] =
    "MIME-Version: 1.0\r\nFrom: zav@example.com\r\nTo: a@x, b@y\r\nSubject: New message\r\n"
    "Date: Tue, 05 Mar 2024 14:03:09 +0000\r\nX-Mailer: Zavotel\r\n";
const char kDate[] = "Tue, 05 Mar 2024 14:03:09 +0000";

std::string Repeat(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

EmailMessage Message() {
  return EmailMessage{"a@x, b@y", "zav@example.com", "New message", "Hello\r\n", {}};
}

TEST(MimeWriter, PlainMessageIsHeaderThenText) {
  RecordingSink sink;
  TestProgress progress;
  ASSERT_EQ(MimeWriter::Write(Message(), kDate, sink, progress), kProcessDone);
  EXPECT_EQ(sink.All(), std::string(kHead) + "Content-Type: text/plain\r\n\r\n[body]Hello\r\n");
  EXPECT_EQ(sink.timeouts, (std::vector<int>{20000, 30000}));
}

TEST(MimeWriter, AttachmentsAreBase64PartsBetweenBoundaries) {
  TempDir dir;
  WriteTextFile(dir / "first.wav", std::string(58, 'A'));
  EmailMessage message = Message();
  message.attachments = {dir / "first.wav", dir / "missing.wav"};
  RecordingSink sink;
  TestProgress progress;
  ASSERT_EQ(MimeWriter::Write(message, kDate, sink, progress), kProcessDone);
  const std::string b = "gc0p4Jq0M2Yt08jU534c0";
  auto part = [&](const char* name) {
    return "\r\n--" + b + "\r\nContent-Type: application/octet-stream; name=\"" + name +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; "
           "filename=\"" + name + "\"\r\n\r\n";
  };
  EXPECT_EQ(sink.All(), std::string(kHead) + "Content-Type: multipart/mixed; boundary=" + b +
                            "\r\n\r\n--" + b + "\r\nContent-Type: text/plain\r\n\r\n[body]Hello\r\n" +
                            part("first.wav") + Repeat("QUFB", 19) + "\r\nQQ==\r\n" +
                            part("missing.wav") + "\r\n--" + b + "--\r\n");
  EXPECT_DOUBLE_EQ(progress.fraction, 0.6);  // the second of two files had nothing to send
  EXPECT_EQ(progress.step, "Sending Message Attachment(s)");
}

TEST(MimeWriter, HeaderValuesCannotAddHeaders) {
  EmailMessage message = Message();
  message.subject = "Call from x\r\nBcc: victim@example.com";
  message.from = "a@x\nX-Evil: 1";
  const std::string head = MimeWriter::HeaderBlock(message, kDate);
  EXPECT_NE(head.find("Subject: Call from x  Bcc: victim@example.com\r\n"), std::string::npos);
  EXPECT_NE(head.find("From: a@x X-Evil: 1\r\n"), std::string::npos);
}

TEST(MimeWriter, StopsAtAFailedSendOrAStopRequest) {
  TempDir dir;
  WriteTextFile(dir / "big.wav", std::string(100000, 'B'));
  EmailMessage message = Message();
  message.attachments = {dir / "big.wav"};
  {
    RecordingSink sink;
    sink.failAt = 4;  // header, body, part header, first data
    TestProgress progress;
    EXPECT_EQ(MimeWriter::Write(message, kDate, sink, progress), kProcessFailed);
    EXPECT_EQ(sink.sends.size(), 4u);
  }
  {
    RecordingSink sink;
    TestProgress progress(std::chrono::milliseconds(-1), 3);
    EXPECT_EQ(MimeWriter::Write(message, kDate, sink, progress), kProcessCancelled);
    EXPECT_LT(sink.sends.size(), 10u);
  }
}

}  // namespace
