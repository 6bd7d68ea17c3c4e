// Reading the [email] settings: the mail host's forms, the new keys and
// their defaults, and what the EHLO reply offers.
#include <gtest/gtest.h>

#include <string>

#include "mail/MailTestFiles.h"
#include "mail/smtp/EmailSettings.h"
#include "mail/smtp/MailHost.h"
#include "mail/smtp/SmtpExtensions.h"
#include "support/TempDir.h"

namespace {

TEST(MailHost, SplitsHostPortUserAndPassword) {
  const struct {
    const char* text;
    const char* host;
    int port;
    const char* user;
    const char* password;
    bool valid;
  } rows[] = {
      {"mail.example.com", "mail.example.com", 0, "", "", true},
      {"mail:bob:secret", "mail", 0, "bob", "secret", true},
      {"mail:bob", "mail", 0, "bob", "", true},
      {"mail:587", "mail", 587, "", "", true},
      {"mail:587:bob:pa:ss:word", "mail", 587, "bob", "pa:ss:word", true},
      {"mail:bob:587", "mail", 0, "bob", "587", true},  // only the second field is a port
      {"mail:00025", "mail", 25, "", "", true},
      {"[::1]:2525:u:p", "::1", 2525, "u", "p", true},
      {"[::1]", "::1", 0, "", "", true},
      {"mail:0", "mail", 0, "", "", false},
      {"mail:65536", "mail", 65536, "", "", false},
      {"mail:1234567", "mail", 0, "", "", false},
      {":25", "", 25, "", "", false},
      {"", "", 0, "", "", false},
  };
  for (const auto& row : rows) {
    const MailHost host = MailHost::Parse(row.text);
    EXPECT_EQ(host.host, row.host) << row.text;
    EXPECT_EQ(host.valid, row.valid) << row.text;
    if (!row.valid) continue;
    EXPECT_EQ(host.port, row.port) << row.text;
    EXPECT_EQ(host.user, row.user) << row.text;
    EXPECT_EQ(host.password, row.password) << row.text;
  }
}

TEST(EmailSettings, ReadsTheEmailSectionWithDefaults) {
  TempDir dir;
  const std::string file = dir / "settings.ini";
  const EmailSettings empty = EmailSettings::Read(file);
  EXPECT_TRUE(empty.useSystemMailer);
  EXPECT_EQ(empty.subject, "ZAV Message Mailbox: %mailboxname% CID: %cid% %callername%");
  EXPECT_EQ(empty.smtpSecurity, SmtpSecurity::kStartTlsIfOffered);
  EXPECT_TRUE(empty.smtpVerify);
  EXPECT_EQ(empty.sendmail, "/usr/sbin/sendmail");

  WriteTextFile(file,
                "[Email]\nusemapi=false\nmailhost=smtp.x:587\nfromemail=zav@x\nsubject=Hi\n"
                "smtpuser=bob\nsmtppassword=pw\nsmtpsecurity=TLS\nsmtpverify=false\n"
                "sendmail=/opt/bin/mailer\n");
  const EmailSettings set = EmailSettings::Read(file);
  EXPECT_FALSE(set.useSystemMailer);
  EXPECT_EQ(set.mailHost + "|" + set.fromEmail + "|" + set.subject + "|" + set.smtpUser + "|" +
                set.smtpPassword + "|" + set.sendmail,
            "smtp.x:587|zav@x|Hi|bob|pw|/opt/bin/mailer");
  EXPECT_EQ(set.smtpSecurity, SmtpSecurity::kTls);
  EXPECT_FALSE(set.smtpVerify);
}

TEST(EmailSettings, SecurityAndVerifyTexts) {
  const struct {
    const char* text;
    SmtpSecurity security;
  } securities[] = {{"", SmtpSecurity::kStartTlsIfOffered},
                    {"starttls-if-offered", SmtpSecurity::kStartTlsIfOffered},
                    {"StartTLS", SmtpSecurity::kStartTls},
                    {"tls", SmtpSecurity::kTls},
                    {"none", SmtpSecurity::kNone},
                    {"ssl", SmtpSecurity::kStartTlsIfOffered}};
  for (const auto& row : securities) EXPECT_EQ(EmailSettings::ParseSecurity(row.text), row.security) << row.text;
  // Only a clear "off" turns the certificate check off.
  const struct {
    const char* text;
    bool verify;
  } verifies[] = {{"true", true}, {"True", true}, {"1", true},   {"", true},    {"maybe", true},
                  {"false", false}, {"FALSE", false}, {"no", false}, {"off", false}, {"0", false}};
  for (const auto& row : verifies) EXPECT_EQ(EmailSettings::ParseVerify(row.text), row.verify) << row.text;
}

TEST(SmtpExtensions, ReadsStartTlsAndAuthMechanisms) {
  const struct {
    std::vector<std::string> reply;
    bool startTls, authPlain, authLogin;
  } rows[] = {
      {{"250-mail.test", "250-SIZE 100", "250-STARTTLS", "250 HELP"}, true, false, false},
      {{"250-mail.test", "250-AUTH LOGIN PLAIN", "250 HELP"}, false, true, true},
      {{"250-mail.test", "250-auth=login", "250 8BITMIME"}, false, false, true},
      {{"250-mail.test", "250 AUTH CRAM-MD5 PLAIN"}, false, true, false},
      {{"250 STARTTLS"}, false, false, false},  // the greeting line names nothing
      {{"250-mail.test", "250-X-STARTTLS", "250-AUTHX PLAIN"}, false, false, false},
  };
  for (const auto& row : rows) {
    const SmtpExtensions offers = SmtpExtensions::FromEhloReply(row.reply);
    const std::string name = row.reply.back();
    EXPECT_EQ(offers.startTls, row.startTls) << name;
    EXPECT_EQ(offers.authPlain, row.authPlain) << name;
    EXPECT_EQ(offers.authLogin, row.authLogin) << name;
  }
}

}  // namespace
