#include "mail/smtp/EmailSettings.h"

#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/Trace.h"

namespace {
constexpr const char* kSection = "email";
}

SmtpSecurity EmailSettings::ParseSecurity(const std::string& text) {
  if (text.empty()) return SmtpSecurity::kStartTlsIfOffered;
  for (size_t i = 0; i < kSecurityNames.size(); ++i) {
    if (EqualIgnoringCase(text, kSecurityNames[i])) return static_cast<SmtpSecurity>(i);
  }
  Trace("EmailSettings unknown smtpsecurity \"%s\", using starttls-if-offered", text.c_str());
  return SmtpSecurity::kStartTlsIfOffered;
}

bool EmailSettings::ParseVerify(const std::string& text) {
  for (const char* off : {"false", "no", "off", "0"}) {
    if (EqualIgnoringCase(text, off)) return false;
  }
  return true;
}

EmailSettings EmailSettings::Read(const std::string& settingsPath) {
  EmailSettings settings;
  auto text = [&](const char* key, const std::string& fallback) {
    return ProfileReadString(settingsPath, kSection, key, fallback);
  };
  settings.useSystemMailer = ProfileReadBool(settingsPath, kSection, "usemapi", true);
  settings.mailHost = text("mailhost", "");
  settings.fromEmail = text("fromemail", "");
  settings.subject = text("subject", settings.subject);
  settings.smtpUser = text("smtpuser", "");
  settings.smtpPassword = text("smtppassword", "");
  settings.smtpSecurity = ParseSecurity(text("smtpsecurity", ""));
  settings.smtpVerify = ParseVerify(text("smtpverify", "true"));
  const std::string sendmail = text("sendmail", "");
  if (!sendmail.empty()) settings.sendmail = sendmail;
  return settings;
}
