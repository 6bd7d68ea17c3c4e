// The SMTP sender against real servers on the loopback address: clear,
// STARTTLS, implicit TLS, AUTH, and servers that refuse, hang up, flood or
// crawl.
#include "mail/MailTestFiles.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/SmtpConnection.h"

namespace {

using Security = SmtpSecurity;
using namespace std::string_literals;

EmailSettings SmtpSettings(const std::string& host, Security security, bool verify = false) {
  EmailSettings settings;
  settings.useSystemMailer = false;
  settings.mailHost = host;
  settings.smtpSecurity = security;
  settings.smtpVerify = verify;
  return settings;
}

const EmailMessage kMessage{"a@x.test", "zav@x.test", "Test", "Hello\r\n", {}};

class SmtpSenderTest : public testing::Test {
 protected:
  // A server storing into `folder`, run with `options`.
  std::unique_ptr<TestServer> Start(const std::string& options, const TempDir& folder) {
    auto server = std::make_unique<TestServer>("smtp_server.py", "--folder " + folder.Path() + " " + options);
    EXPECT_TRUE(server->Running()) << options;
    return server;
  }

  TempDir folder_;
};

TEST_F(SmtpSenderTest, EachDialogueEndsAsTheServerAllows) {
  const char* kAuth = "--mode starttls --auth bob:s3cret:x";
  // login: appended to the host; outcome: the error's start, or the captured "tls" and "login".
  const struct { const char* server; const char* login; Security security; bool verify; const char* outcome; } rows[] = {
      {"--mode plain", "", Security::kStartTlsIfOffered, true, "false null"},
      {"--mode starttls", "", Security::kStartTls, false, "true null"},
      {"--mode starttls", "", Security::kStartTls, true,
       "Unable to start a secure connection to the mail server (certificate not accepted: "},
      {"--mode starttls", "", Security::kStartTlsIfOffered, false, "false null"},  // HELO
      {kAuth, ":bob:s3cret:x", Security::kStartTlsIfOffered, false, "true \"bob\""},
      {kAuth, ":bob:s3cret:x", Security::kNone, false, "true \"bob\""},  // never in clear
      {"--mode starttls --auth bob:s3cret:x --exclude PLAIN", ":bob:s3cret:x",
       Security::kStartTlsIfOffered, false, "true \"bob\""},  // AUTH LOGIN
      {"--mode starttls --auth bob:s3cret:x --refuse-tls", ":bob:s3cret:x", Security::kNone, false,
       "Mail host server error (STARTTLS not accepted)"},  // the login stays unsent
      {kAuth, ":bob:wrong", Security::kStartTlsIfOffered, false,
       "Email authentication username or password not accepted"},
      {"--mode tls", "", Security::kTls, false, "true null"},
      {"--mode plain", "", Security::kStartTls, true, "The mail server does not offer STARTTLS"},
      {"--mode plain --reject-rcpt", "", Security::kNone, true,
       "Mail host server error (RCPT TO not accepted). Your server may required authenticated "
       "email. Please see Help for more information."},
      {"--mode drop", "", Security::kNone, true,
       "Mail host server error (data terminator not accepted)"},
      {"--mode flood", "", Security::kNone, true, "Mail server not responding"},
  };
  for (const auto& row : rows) {
    TempDir folder;
    auto server = Start(row.server, folder);
    TestProgress progress;
    const EmailSendResult sent =
        SendMail(SmtpSettings(server->Address() + row.login, row.security, row.verify), kMessage, progress);
    std::string transcript;
    for (const std::string& line : sent.transcript) transcript += line + "\n";
    SCOPED_TRACE(std::string(row.server) + " " + row.login + "\n" + transcript);
    EXPECT_EQ(transcript.find("s3cret"), std::string::npos);
    if (sent.result != kProcessDone) {
      EXPECT_EQ(sent.result, kProcessFailed);
      EXPECT_EQ(sent.error.rfind(row.outcome, 0), 0u) << sent.error;
      continue;
    }
    const std::string captured = FileText(folder / "0.json");
    std::istringstream expected(row.outcome);
    std::string tls, login;
    expected >> tls >> login;
    EXPECT_NE(captured.find("\"tls\": " + tls), std::string::npos) << captured;
    EXPECT_NE(captured.find("\"login\": " + login), std::string::npos) << captured;
    // Credentials travel only encrypted.
    EXPECT_EQ(FileText(folder / "auth.log").find("tls=False"), std::string::npos);
  }
}

TEST_F(SmtpSenderTest, DeliversTextAndAttachmentsIntact) {
  auto server = Start("--mode plain", folder_);
  std::string audio;
  for (int i = 0; i < 100000; ++i) audio.push_back(static_cast<char>((i * 131) ^ (i >> 7)));
  WriteTextFile(folder_ / "message.wav", audio);
  WriteTextFile(folder_ / "short.bin", std::string(58, '\x01'));
  const std::string body = ".first\r\n.\r\n..two\r\nmentions gc0p4Jq0M2Yt08jU534c0\r\nend\r\n";
  const EmailMessage message{"a@x.test, b@y.test", "zav@x.test", "New message", body,
                             {folder_ / "message.wav", folder_ / "short.bin"}, 1709647389};
  TestProgress progress;
  const EmailSendResult sent = SendMail(SmtpSettings(server->Address(), Security::kNone), message, progress);
  ASSERT_EQ(sent.result, kProcessDone) << sent.error;
  EXPECT_EQ(FileText(folder_ / "0.part0"), body);  // dot-stuffed lines come back intact
  EXPECT_EQ(FileText(folder_ / "0.part1"), audio);
  EXPECT_EQ(FileText(folder_ / "0.part2"), std::string(58, '\x01'));
  const std::string captured = FileText(folder_ / "0.json");
  for (const char* expected : {"\"to\": [\"a@x.test\", \"b@y.test\"]", "\"filename\": \"message.wav\"",
                               "\"esmtp\": false", "\"type\": \"audio/wav\"", "\"type\": \"application/octet-stream\""}) {
    EXPECT_NE(captured.find(expected), std::string::npos) << captured;
  }
  const std::string eml = FileText(folder_ / "0.eml");
  for (const char* expected : {"boundary=gc0p4Jq0M2Yt08jU534c1\r\n", "Date: Tue, 05 Mar 2024 14:03:09 +0000\r\n"})
    EXPECT_NE(eml.find(expected), std::string::npos) << expected;
  EXPECT_DOUBLE_EQ(progress.fraction, 0.95);
}

// Names, domains and file names beyond ASCII arrive as written, for both
// parser policies; a local part beyond ASCII needs a server with SMTPUTF8.
TEST_F(SmtpSenderTest, AddressesAndFileNamesBeyondAsciiArriveAsWritten) {
  const std::string file = "Müller & Söhne – Büro ICM000001.wav";
  WriteTextFile(folder_ / file, "RIFF");
  const std::string refused = "The mail server does not take addresses with non-English letters: jörg@müller.de";
  const struct { const char* server; const char* to; std::string outcome; } rows[] = {
      {"--mode plain", "anna@bücher.example", R"("to": ["anna@xn--bcher-kva.example"], )"},
      {"--mode plain --smtputf8", "Jörg <jörg@müller.de>", R"("to": ["jörg@xn--mller-kva.de"], )"},
      {"--mode plain", "jörg@müller.de", refused},
  };
  for (const auto& row : rows) {
    TempDir folder;
    auto server = Start(row.server, folder);
    const EmailMessage message{row.to, "Jörg Müller <buero@müller-söhne.de>", "Test", "Hello\r\n", {folder_ / file}};
    TestProgress progress;
    const EmailSendResult sent = SendMail(SmtpSettings(server->Address(), Security::kNone), message, progress);
    if (row.outcome == refused) {
      EXPECT_EQ(sent.error, refused);
      continue;
    }
    ASSERT_EQ(sent.result, kProcessDone) << sent.error;
    const std::string captured = FileText(folder / "0.json");
    for (const std::string& expected :
         {row.outcome, R"("from": "buero@xn--mller-shne-kcb9d.de")"s,
          R"("from_header": "Jörg Müller <buero@xn--mller-shne-kcb9d.de>")"s, R"("type": "audio/wav")"s,
          R"("filename": ")" + file + "\"", R"("filename_default": ")" + file + "\""}) {
      EXPECT_NE(captured.find(expected), std::string::npos) << expected << "\n" << captured;
    }
  }
}

TEST_F(SmtpSenderTest, AStopEndsACrawlingServerWithinASlice) {
  auto server = Start("--mode slow", folder_);
  TestProgress progress;
  progress.StopIn(500);
  const EmailSendResult sent = SendMail(SmtpSettings(server->Address(), Security::kNone), kMessage, progress);
  EXPECT_EQ(sent.result, kProcessCancelled);
  // Within a slice, not at the next byte (a second apart).
  EXPECT_LE(progress.MsSinceStop(), SmtpConnection::kSliceMs + kStopMarginMs);
}

TEST_F(SmtpSenderTest, NoServerNoConnection) {
  const struct { std::string host; const char* error; } rows[] = {
      {"127.0.0.1:1", "Unable to connect to the mail server 127.0.0.1 port 1 (Connection refused)"},
      {"mail.invalid", "Unable to connect to the mail server mail.invalid port 25 (the name cannot be resolved)"},
      {"", "No mail host is set for the simple SMTP option"},
      {"mail.test:99999", "The mail host setting is not valid: mail.test:99999"}};
  for (const auto& row : rows) {
    TestProgress progress;
    const EmailSendResult sent = SendMail(SmtpSettings(row.host, Security::kNone), kMessage, progress);
    EXPECT_EQ(sent.result, kProcessFailed) << row.host;
    EXPECT_EQ(sent.error, row.error) << row.host;
  }
}

}  // namespace
