#pragma once

#include <array>
#include <string>
#include <string_view>

// How the SMTP sender protects the connection ([email] "smtpsecurity").
enum class SmtpSecurity {
  kStartTlsIfOffered,  // "starttls-if-offered" (the default)
  kStartTls,           // "starttls": the server must offer it
  kTls,                // "tls": TLS from the first byte (port 465)
  kNone,               // "none"
};

// The e-mail settings, section "email" of the settings file, read when a
// message is sent.
struct EmailSettings {
  static constexpr const char* kDefaultSubject = "ZAV Message Mailbox: %mailboxname% CID: %cid% %callername%";

  bool useSystemMailer = true;  // "usemapi"
  std::string mailHost;         // "mailhost"
  std::string fromEmail;        // "fromemail"
  std::string subject = kDefaultSubject;  // "subject"
  std::string smtpUser;      // "smtpuser": when the mail host names no user
  std::string smtpPassword;  // "smtppassword"
  SmtpSecurity smtpSecurity = SmtpSecurity::kStartTlsIfOffered;  // "smtpsecurity"
  bool smtpVerify = true;                       // "smtpverify": check the server's certificate
  std::string sendmail = "/usr/sbin/sendmail";  // "sendmail": the system mailer

  // The "smtpsecurity" names, in the order of the enum.
  static constexpr std::array<std::string_view, 4> kSecurityNames = {"starttls-if-offered", "starttls", "tls",
                                                                     "none"};

  static EmailSettings Read(const std::string& settingsPath);
  // Unknown text gives the default.
  static SmtpSecurity ParseSecurity(const std::string& text);
  static std::string_view SecurityName(SmtpSecurity security) { return kSecurityNames[static_cast<int>(security)]; }
  // Only an explicit "false", "no", "off" or "0" turns the check off.
  static bool ParseVerify(const std::string& text);
};
