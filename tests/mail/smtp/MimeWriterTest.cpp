#include "mail/smtp/MimeWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "mail/MailTestFiles.h"
#include "mail/smtp/TestProgress.h"
#include "support/TempDir.h"

namespace {

// Keeps what is sent, each send as "[time-out]bytes".
class RecordingSink final : public MimeSink {
 public:
  ProcessResult Send(std::string_view bytes, int timeoutMs) override {
    all += "[" + std::to_string(timeoutMs) + "]" + std::string(bytes);
    return kProcessDone;
  }
  ProcessResult SendBody(std::string_view body) override { return Send(body, 1); }

  std::string all;
};

const char kDate[] = "Tue, 05 Mar 2024 14:03:09 +0000";
const std::string kHead =
    "[20000]MIME-Version: 1.0\r\nFrom: zav@x\r\nTo: a@x, b@y\r\nSubject: New  Bcc: v@x\r\n"
    "Date: Tue, 05 Mar 2024 14:03:09 +0000\r\nX-Mailer: Zavotel\r\n";

TEST(MimeWriter, LaysOutTextAndAttachments) {
  TempDir dir;
  WriteTextFile(dir / "first.wav", std::string(58, 'a'));
  std::string full;
  for (int i = 0; i < 19; ++i) full += "YWFh";
  // A line break in a header value cannot start a header of its own.
  EmailMessage message{"a@x, b@y", "zav@x", "New\r\nBcc: v@x", "Hello\r\n", {}};
  TestProgress progress;
  RecordingSink plain;
  ASSERT_EQ(MimeWriter::Write(message, kDate, plain, progress), kProcessDone);
  EXPECT_EQ(plain.all, kHead + "Content-Type: text/plain\r\n\r\n[1]Hello\r\n");

  message.attachments = {dir / "first.wav", dir / "missing.wav"};
  RecordingSink mixed;
  ASSERT_EQ(MimeWriter::Write(message, kDate, mixed, progress), kProcessDone);
  const std::string b = "gc0p4Jq0M2Yt08jU534c0";
  auto part = [&](const char* name) {
    return "[20000]\r\n--" + b + "\r\nContent-Type: application/octet-stream; name=\"" + name +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" +
           name + "\"\r\n\r\n";
  };
  EXPECT_EQ(mixed.all, kHead + "Content-Type: multipart/mixed; boundary=" + b + "\r\n\r\n--" + b +
                           "\r\nContent-Type: text/plain\r\n\r\n[1]Hello\r\n" + part("first.wav") +
                           "[20000]" + full + "\r\nYQ==\r\n" + part("missing.wav") + "[20000]\r\n--" +
                           b + "--\r\n");
  EXPECT_DOUBLE_EQ(progress.fraction, 0.6);  // the second of two files had nothing to send
}

}  // namespace
