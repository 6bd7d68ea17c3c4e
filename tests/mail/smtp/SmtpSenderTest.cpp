// The SMTP sender against real servers on the loopback address: clear,
// STARTTLS, implicit TLS, AUTH, and servers that refuse, hang up, flood or
// crawl.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mail/MailTestFiles.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/MailServer.h"
#include "mail/smtp/TestProgress.h"
#include "support/TempDir.h"

namespace {

using std::chrono::milliseconds;

struct DialogueRow {
  const char* name;
  std::vector<std::string> server;  // smtp_server.py options
  const char* credentials;          // appended to "127.0.0.1:PORT"
  SmtpSecurity security;
  bool verify;
  const char* error;                // empty: sent
  const char* tls;                  // the captured "tls" value, when sent
  const char* login;                // the captured "login" value, when sent
};

std::ostream& operator<<(std::ostream& out, const DialogueRow& row) { return out << row.name; }

const std::vector<std::string> kAuth = {"--mode", "starttls", "--auth", "bob:s3cret:x"};

const DialogueRow kDialogues[] = {
    {"clear HELO", {"--mode", "plain"}, "", SmtpSecurity::kStartTlsIfOffered, true, "", "false", "null"},
    {"STARTTLS required", {"--mode", "starttls"}, "", SmtpSecurity::kStartTls, false, "", "true", "null"},
    {"certificate checked", {"--mode", "starttls"}, "", SmtpSecurity::kStartTls, true,
     "Unable to start a secure connection to the mail server (certificate not accepted: ", "", ""},
    {"HELO without a user", {"--mode", "starttls"}, "", SmtpSecurity::kStartTlsIfOffered, false, "",
     "false", "null"},
    {"AUTH PLAIN after STARTTLS", kAuth, ":bob:s3cret:x", SmtpSecurity::kStartTlsIfOffered, false, "",
     "true", "\"bob\""},
    {"credentials never in clear", kAuth, ":bob:s3cret:x", SmtpSecurity::kNone, false, "", "true",
     "\"bob\""},
    {"AUTH LOGIN", {"--mode", "starttls", "--auth", "bob:s3cret:x", "--exclude", "PLAIN"},
     ":bob:s3cret:x", SmtpSecurity::kStartTlsIfOffered, false, "", "true", "\"bob\""},
    {"wrong password", kAuth, ":bob:wrong", SmtpSecurity::kStartTlsIfOffered, false,
     "Email authentication username or password not accepted", "", ""},
    {"implicit TLS", {"--mode", "tls"}, "", SmtpSecurity::kTls, false, "", "true", "null"},
    {"STARTTLS not offered", {"--mode", "plain"}, "", SmtpSecurity::kStartTls, true,
     "The mail server does not offer STARTTLS", "", ""},
    {"recipient refused", {"--mode", "plain", "--reject-rcpt"}, "", SmtpSecurity::kNone, true,
     "Mail host server error (RCPT TO not accepted). Your server may required authenticated email. "
     "Please see Help for more information.", "", ""},
    {"hang-up in DATA", {"--mode", "drop"}, "", SmtpSecurity::kNone, true,
     "Mail host server error (data terminator not accepted)", "", ""},
    {"endless greeting", {"--mode", "flood"}, "", SmtpSecurity::kNone, true,
     "Mail server not responding", "", ""},
};

class SmtpSenderDialogues : public testing::TestWithParam<DialogueRow> {
 protected:
  static void SetUpTestSuite() {
    certificates_ = std::make_unique<TempDir>();
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=mail.test -keyout " +
                                (*certificates_ / "key.pem") + " -out " + (*certificates_ / "cert.pem") +
                                " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() { certificates_.reset(); }

  static std::vector<std::string> WithCertificate(std::vector<std::string> options) {
    options.insert(options.end(), {"--cert", *certificates_ / "cert.pem", "--key", *certificates_ / "key.pem"});
    return options;
  }

  static std::unique_ptr<TempDir> certificates_;
};

std::unique_ptr<TempDir> SmtpSenderDialogues::certificates_;

EmailSettings SmtpSettings(int port, const std::string& credentials, SmtpSecurity security, bool verify) {
  EmailSettings settings;
  settings.useSystemMailer = false;
  settings.mailHost = "127.0.0.1:" + std::to_string(port) + credentials;
  settings.smtpSecurity = security;
  settings.smtpVerify = verify;
  return settings;
}

TEST_P(SmtpSenderDialogues, EndAsTheServerAllows) {
  const DialogueRow& row = GetParam();
  TempDir folder;
  MailServer server(folder.Path(), WithCertificate(row.server));
  ASSERT_NE(server.Port(), 0);
  EmailSettings settings = SmtpSettings(server.Port(), "", row.security, row.verify);
  // A user name from the mail host, or (for the LOGIN row) from the own keys.
  if (std::string(row.name) == "AUTH LOGIN") {
    settings.smtpUser = "bob";
    settings.smtpPassword = "s3cret:x";
  } else {
    settings.mailHost += row.credentials;
  }
  const EmailMessage message{"a@x.test", "zav@x.test", "Test", "Hello\r\n", {}};
  TestProgress progress;
  const EmailSendResult sent = SendEmail(settings, message, progress);
  std::string transcript;
  for (const std::string& line : sent.transcript) transcript += line + "\n";
  SCOPED_TRACE(transcript);
  EXPECT_EQ(transcript.find("s3cret"), std::string::npos);
  if (*row.error) {
    EXPECT_EQ(sent.result, kProcessFailed);
    EXPECT_EQ(sent.error.rfind(row.error, 0), 0u) << sent.error;
    return;
  }
  ASSERT_EQ(sent.result, kProcessDone) << sent.error;
  EXPECT_EQ(sent.error, "");
  const std::string captured = ReadTextFile(folder / "0.json");
  EXPECT_NE(captured.find(std::string("\"tls\": ") + row.tls), std::string::npos) << captured;
  EXPECT_NE(captured.find(std::string("\"login\": ") + row.login), std::string::npos) << captured;
  // Credentials travel only encrypted.
  const std::string auth = ReadTextFile(folder / "auth.log");
  EXPECT_EQ(auth.find("tls=False"), std::string::npos) << auth;
}

INSTANTIATE_TEST_SUITE_P(Servers, SmtpSenderDialogues, testing::ValuesIn(kDialogues),
                         [](const testing::TestParamInfo<DialogueRow>& param) {
                           std::string name;
                           for (const char* c = param.param.name; *c; ++c) name += std::isalnum(*c) ? *c : '_';
                           return name;
                         });

TEST(SmtpSender, DeliversTextAndAttachmentsIntact) {
  TempDir folder;
  MailServer server(folder.Path(), {"--mode", "plain"});
  ASSERT_NE(server.Port(), 0);
  std::string audio;
  for (int i = 0; i < 100000; ++i) audio.push_back(static_cast<char>((i * 131) ^ (i >> 7)));
  WriteTextFile(folder / "message.wav", audio);
  WriteTextFile(folder / "short.bin", std::string(58, '\x01'));
  const std::string body = ".first\r\n.\r\n..two\r\nmentions gc0p4Jq0M2Yt08jU534c0\r\nend\r\n";
  const EmailMessage message{"a@x.test, b@y.test", "zav@x.test", "New message", body,
                             {folder / "message.wav", folder / "short.bin"}};
  TestProgress progress;
  const EmailSendResult sent =
      SendEmail(SmtpSettings(server.Port(), "", SmtpSecurity::kNone, true), message, progress);
  ASSERT_EQ(sent.result, kProcessDone) << sent.error;
  EXPECT_EQ(ReadTextFile(folder / "0.part0"), body);
  EXPECT_EQ(ReadTextFile(folder / "0.part1"), audio);
  EXPECT_EQ(ReadTextFile(folder / "0.part2"), std::string(58, '\x01'));
  const std::string captured = ReadTextFile(folder / "0.json");
  EXPECT_NE(captured.find("\"to\": [\"a@x.test\", \"b@y.test\"]"), std::string::npos) << captured;
  EXPECT_NE(captured.find("\"filename\": \"message.wav\""), std::string::npos) << captured;
  EXPECT_NE(captured.find("\"esmtp\": false"), std::string::npos) << captured;
  EXPECT_NE(ReadTextFile(folder / "0.eml").find("boundary=gc0p4Jq0M2Yt08jU534c1\r\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(progress.fraction, 0.95);
}

TEST(SmtpSender, AStopEndsACrawlingServerWithinASlice) {
  TempDir folder;
  MailServer server(folder.Path(), {"--mode", "slow"});
  ASSERT_NE(server.Port(), 0);
  TestProgress progress(milliseconds(1500));
  const EmailMessage message{"a@x.test", "zav@x.test", "Test", "Hello\r\n", {}};
  const EmailSendResult sent =
      SendEmail(SmtpSettings(server.Port(), "", SmtpSecurity::kNone, true), message, progress);
  EXPECT_EQ(sent.result, kProcessCancelled);
  EXPECT_LE(progress.SinceCancel().count(), 300);
}

TEST(SmtpSender, NoServerMeansNoConnection) {
  // A port that was just free and has nobody listening.
  UniqueFd unused(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in loopback{};
  loopback.sin_family = AF_INET;
  loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof loopback;
  ASSERT_EQ(::bind(unused.Get(), reinterpret_cast<sockaddr*>(&loopback), length), 0);
  ASSERT_EQ(::getsockname(unused.Get(), reinterpret_cast<sockaddr*>(&loopback), &length), 0);
  const int port = ntohs(loopback.sin_port);
  const EmailMessage message{"a@x.test", "zav@x.test", "Test", "Hello\r\n", {}};
  const struct {
    std::string host;
    const char* error;
  } rows[] = {{"127.0.0.1:" + std::to_string(port), "Unable to connect to the mail server"},
              {"", "No mail host is set for the simple SMTP option"},
              {"mail.test:99999", "The mail host setting is not valid: mail.test:99999"}};
  for (const auto& row : rows) {
    EmailSettings settings = SmtpSettings(0, "", SmtpSecurity::kNone, true);
    settings.mailHost = row.host;
    TestProgress progress;
    const EmailSendResult sent = SendEmail(settings, message, progress);
    EXPECT_EQ(sent.result, kProcessFailed) << row.host;
    EXPECT_EQ(sent.error, row.error) << row.host;
  }
}

}  // namespace
