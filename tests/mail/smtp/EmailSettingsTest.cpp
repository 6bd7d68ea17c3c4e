// The mail host's forms, the certificate switch and what an EHLO reply offers.

#include "mail/MailTestFiles.h"
#include "mail/smtp/EmailSettings.h"
#include "mail/smtp/MailHost.h"
#include "mail/smtp/SmtpExtensions.h"

namespace {

TEST(MailHost, SplitsHostPortUserAndPassword) {
  // parts: host|port|user|password, or "invalid"
  const struct { const char* text; const char* parts; } rows[] = {
      {"mail.example.com", "mail.example.com|0||"},
      {"mail:bob:secret", "mail|0|bob|secret"},
      {"mail:bob", "mail|0|bob|"},
      {"mail:587", "mail|587||"},
      {"mail:587:bob:pa:ss:word", "mail|587|bob|pa:ss:word"},
      {"mail:bob:587", "mail|0|bob|587"},  // only the second field is a port
      {"[::1]:2525:u:p", "::1|2525|u|p"},
      {"mail:0", "invalid"},
      {"mail:65536", "invalid"},
      {":25", "invalid"},
      {"", "invalid"},
  };
  for (const auto& row : rows) {
    const MailHost host = MailHost::Parse(row.text);
    const std::string parts = host.host + "|" + std::to_string(host.port) + "|" + host.user + "|" +
                              host.password;
    EXPECT_EQ(host.valid ? parts : "invalid", row.parts) << row.text;
  }
  EXPECT_EQ(MailHost::Parse("mail:587:bob:pw").Address(), "mail:587");
  EXPECT_EQ(MailHost::Parse("[::1]:u:p").Address(), "[::1]");
}

TEST(EmailSettings, OnlyAClearNoTurnsTheCertificateCheckOff) {
  for (const char* on : {"true", "True", "1", "", "maybe"}) EXPECT_TRUE(EmailSettings::ParseVerify(on)) << on;
  for (const char* off : {"false", "FALSE", "no", "off", "0"}) EXPECT_FALSE(EmailSettings::ParseVerify(off)) << off;
}

TEST(EmailSettings, SecurityNamesReadBackAsWritten) {
  for (const std::string_view name : EmailSettings::kSecurityNames) {
    std::string shouted(name);
    for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(EmailSettings::SecurityName(EmailSettings::ParseSecurity(shouted)), name);
  }
  EXPECT_EQ(EmailSettings::ParseSecurity("ssl"), SmtpSecurity::kStartTlsIfOffered);
}

TEST(SmtpExtensions, ReadsStartTlsAndAuthMechanisms) {
  // offers: STARTTLS, PLAIN, LOGIN as 0/1
  const struct { std::vector<std::string> reply; const char* offers; } rows[] = {
      {{"250-mail.test", "250-SIZE 100", "250-STARTTLS", "250 HELP"}, "100"},
      {{"250-mail.test", "250-AUTH LOGIN PLAIN", "250 HELP"}, "011"},
      {{"250-mail.test", "250-auth=login", "250 8BITMIME"}, "001"},
      {{"250-mail.test", "250 AUTH CRAM-MD5 PLAIN"}, "010"},
      {{"250 STARTTLS"}, "000"},  // the greeting line names nothing
      {{"250-mail.test", "250-X-STARTTLS", "250-AUTHX PLAIN"}, "000"},
  };
  for (const auto& row : rows) {
    const SmtpExtensions offers = SmtpExtensions::FromEhloReply(row.reply);
    const std::string got = std::string(offers.startTls ? "1" : "0") + (offers.authPlain ? "1" : "0") +
                            (offers.authLogin ? "1" : "0");
    EXPECT_EQ(got, row.offers) << row.reply.back();
  }
}

}  // namespace
