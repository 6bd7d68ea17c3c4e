// The system mailer path against fake mailers that record what they get.
#include "mail/smtp/SystemMailer.h"

#include <sys/stat.h>

#include "mail/MailTestFiles.h"
#include "mail/smtp/SmtpConnection.h"

namespace {

// A mailer script `name` in `dir` that keeps its arguments and input there,
// then runs `tail`.
std::string FakeMailer(const TempDir& dir, const std::string& name, const std::string& tail) {
  const std::string path = dir / name;
  WriteTextFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + (dir / "args") + "'\ncat > '" +
                          (dir / "input") + "'\n" + tail + "\n");
  ::chmod(path.c_str(), 0700);
  return path;
}

double lastFraction = -1;

// A line break in the subject cannot start a header of its own.
EmailSendResult Send(const std::string& mailer, std::vector<std::string> attachments = {}, int stopInMs = -1) {
  EmailSettings settings;
  settings.sendmail = mailer;
  TestProgress progress;
  if (stopInMs >= 0) progress.StopIn(stopInMs);
  const EmailMessage message{"a@x.test, b@y.test", "zav@x.test", "New\r\nBcc: v@x", ".one\r\n.\r\ntwo\r\n",
                             std::move(attachments)};
  EmailSendResult sent = SendMail(settings, message, progress);
  EXPECT_LE(stopInMs >= 0 ? progress.MsSinceStop() : 0, SmtpConnection::kSliceMs + kStopMarginMs);
  lastFraction = progress.fraction;
  return sent;
}

TEST(SystemMailer, HandsTheMessageOverWithUnixLineEnds) {
  TempDir dir;
  WriteTextFile(dir / "one.wav", "abc");
  WriteTextFile(dir / "two.wav", std::string(58, 'a'));
  const EmailSendResult sent =
      Send(FakeMailer(dir, "sendmail", "exit 0"), {dir / "one.wav", dir / "missing.wav", dir / "two.wav"});
  ASSERT_EQ(sent.result, kProcessDone) << sent.error;
  EXPECT_DOUBLE_EQ(lastFraction, 0.9);
  EXPECT_EQ(FileText(dir / "args"), "-t\n-oi\n");
  const std::string input = FileText(dir / "input");
  EXPECT_EQ(input.find('\r'), std::string::npos);
  const std::string b = "gc0p4Jq0M2Yt08jU534c0";
  // No dot-stuffing: "-oi" already keeps a lone "." in the text.
  for (const std::string& expected :
       {std::string("MIME-Version: 1.0\nFrom: zav@x.test\nTo: a@x.test, b@y.test\nSubject: New  Bcc: v@x\nDate: "),
        "X-Mailer: Zavotel\nContent-Type: multipart/mixed; boundary=" + b + "\n\n--" + b +
            "\nContent-Type: text/plain\n\n.one\n.\ntwo\n\n--" + b,
        "filename=\"one.wav\"\n\nYWJj\n\n--" + b,
        "filename=\"missing.wav\"\n\n\n--" + b + "\nContent-Type: audio/wav; name=\"two.wav\"\n",
        "filename=\"two.wav\"\n\nYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFh\nYQ==\n\n--" + b + "--\n"}) {
    EXPECT_NE(input.find(expected), std::string::npos) << expected << "\nin\n" << input;
  }
}

TEST(SystemMailer, FailsOrStopsWithATextItsOwnerCanLog) {
  TempDir dir;
  WriteTextFile(dir / "plain-file", "#!/bin/sh\n");
  const std::string missing = "The system mailer is not installed (no program to run at ";
  // stopInMs: a stop asked for then ends a mailer that hangs within a slice.
  const struct { std::string mailer, error; int stopInMs = -1; } rows[] = {
      {dir / "missing", missing + (dir / "missing") + ")"},
      {dir / "plain-file", missing + (dir / "plain-file") + ")"},
      {dir.Path(), missing + dir.Path() + ")"},
      {FakeMailer(dir, "refuses", "exit 75"), "The system mailer did not take the message (exit status 75)"},
      {FakeMailer(dir, "dies", "kill -9 $$"), "The system mailer did not take the message (ended by signal 9)"},
      {FakeMailer(dir, "hangs", "sleep 30"), "Email sending stopped", 300},
  };
  for (const auto& row : rows) {
    const EmailSendResult sent = Send(row.mailer, {}, row.stopInMs);
    EXPECT_EQ(sent.result, row.stopInMs < 0 ? kProcessFailed : kProcessCancelled) << row.mailer;
    EXPECT_EQ(sent.error, row.error) << row.mailer;
  }
}

}  // namespace
