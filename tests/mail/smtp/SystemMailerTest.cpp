// The system mailer path against fake mailers that record what they get.
#include "mail/smtp/SystemMailer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "mail/MailTestFiles.h"
#include "mail/smtp/TestProgress.h"
#include "support/TempDir.h"

namespace {

using std::chrono::milliseconds;

// A mailer script `name` in `dir` that keeps its arguments and input there, then
// runs `tail` (an exit status, a sleep).
std::string FakeMailer(const TempDir& dir, const std::string& tail,
                       const std::string& name = "sendmail") {
  const std::string path = dir / name;
  WriteTextFile(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + (dir / "args") + "'\ncat > '" +
                          (dir / "input") + "'\n" + tail + "\n");
  ::chmod(path.c_str(), 0700);
  return path;
}

EmailSettings MailerSettings(const std::string& path) {
  EmailSettings settings;
  settings.sendmail = path;
  return settings;
}

EmailMessage Message(std::vector<std::string> attachments = {}) {
  return EmailMessage{"a@x.test, b@y.test", "zav@x.test", "New message", ".one\r\n.\r\ntwo\r\n",
                      std::move(attachments)};
}

TEST(SystemMailer, WritesTheMessageWithUnixLineEnds) {
  TempDir dir;
  const EmailSettings settings = MailerSettings(FakeMailer(dir, "exit 0"));
  TestProgress progress;
  const EmailSendResult sent = SendEmail(settings, Message(), progress);
  ASSERT_EQ(sent.result, kProcessDone) << sent.error;
  EXPECT_EQ(sent.error, "");
  EXPECT_EQ(ReadTextFile(dir / "args"), "-t\n-oi\n");
  const std::string input = ReadTextFile(dir / "input");
  EXPECT_EQ(input.find('\r'), std::string::npos);
  EXPECT_EQ(input.rfind("MIME-Version: 1.0\nFrom: zav@x.test\nTo: a@x.test, b@y.test\nSubject: New message\nDate: ", 0), 0u)
      << input;
  // No dot-stuffing: "-oi" already keeps a lone "." in the text.
  EXPECT_NE(input.find("X-Mailer: Zavotel\nContent-Type: text/plain\n\n.one\n.\ntwo\n"), std::string::npos) << input;
}

TEST(SystemMailer, AttachesEveryFile) {
  TempDir dir;
  WriteTextFile(dir / "one.wav", "abc");
  WriteTextFile(dir / "two.wav", std::string(58, 'A'));
  TestProgress progress;
  const EmailSendResult sent = SendEmail(MailerSettings(FakeMailer(dir, "exit 0")),
                                         Message({dir / "one.wav", dir / "two.wav"}), progress);
  ASSERT_EQ(sent.result, kProcessDone) << sent.error;
  const std::string input = ReadTextFile(dir / "input");
  for (const char* expected :
       {"Content-Type: multipart/mixed; boundary=gc0p4Jq0M2Yt08jU534c0\n\n--gc0p4Jq0M2Yt08jU534c0\n",
        "filename=\"one.wav\"\n\nYWJj\n\n--gc0p4Jq0M2Yt08jU534c0\n",
        "filename=\"two.wav\"\n\nQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFB\nQQ==\n",
        "\n--gc0p4Jq0M2Yt08jU534c0--\n"}) {
    EXPECT_NE(input.find(expected), std::string::npos) << expected << "\nin\n" << input;
  }
}

TEST(SystemMailer, FailsWithATextItsOwnerCanLog) {
  TempDir dir;
  WriteTextFile(dir / "not-executable", "#!/bin/sh\n");
  const struct {
    std::string path;
    std::string error;
  } rows[] = {
      {dir / "missing", "The system mailer is not installed (no program to run at " + (dir / "missing") + ")"},
      {dir / "not-executable",
       "The system mailer is not installed (no program to run at " + (dir / "not-executable") + ")"},
      {dir.Path(), "The system mailer is not installed (no program to run at " + dir.Path() + ")"},
      {FakeMailer(dir, "exit 75", "exit75"), "The system mailer did not take the message (exit status 75)"},
      {FakeMailer(dir, "kill -9 $$", "killed"), "The system mailer did not take the message (ended by signal 9)"},
  };
  for (const auto& row : rows) {
    TestProgress progress;
    const EmailSendResult sent = SendEmail(MailerSettings(row.path), Message(), progress);
    EXPECT_EQ(sent.result, kProcessFailed) << row.path;
    EXPECT_EQ(sent.error, row.error) << row.path;
  }
}

TEST(SystemMailer, AStopEndsAMailerThatHangs) {
  TempDir dir;
  TestProgress progress(milliseconds(300));
  const EmailSendResult sent = SendEmail(MailerSettings(FakeMailer(dir, "sleep 30")), Message(), progress);
  EXPECT_EQ(sent.result, kProcessCancelled);
  EXPECT_LE(progress.SinceCancel().count(), 300);
}

}  // namespace
