#include "ui/SettingsEmail.h"

#include <string_view>

#include "core/Profile.h"
#include "mail/smtp/EmailSettings.h"
#include "mail/smtp/MailAddress.h"
#include "mail/smtp/MailHost.h"

namespace settings_email {
namespace {

using nlohmann::json;

// Whether `values` holds `key` as an empty text.
bool Emptied(const json& values, const char* key) { return values.contains(key) && values[key] == ""; }

std::optional<SettingsRefusal> CheckSender(const json& values) {
  const std::string from = values.value("fromemail", "");
  if (!from.empty() && !MailAddress::Parse(from))
    return SettingsRefusal{"Your e-mail address must be one address: you@example.com or Your Name <you@example.com>.",
                           "fromemail"};
  if (values.value("usemapi", true)) return std::nullopt;
  if (Emptied(values, "mailhost"))
    return SettingsRefusal{"You must enter a mail host name to use the simple SMTP option (mail.example.com).",
                           "mailhost"};
  if (Emptied(values, "fromemail"))
    return SettingsRefusal{"You must enter your email address to use the simple SMTP option (you@example.com).",
                           "fromemail"};
  return std::nullopt;
}

std::optional<SettingsRefusal> CheckLogin(const json& values) {
  const std::string text = values.value("mailhost", "");
  const MailHost host = MailHost::Parse(text);
  if (!text.empty() && !host.valid)
    return SettingsRefusal{"Enter the mail host as a name or an address, with :port when it is not 25.", "mailhost"};
  if (!host.user.empty() || !host.password.empty())
    return SettingsRefusal{"Enter the user name and the password in their own fields.", "mailhost"};
  if (Emptied(values, "smtpuser") && values.value("smtppassword", "") != "")
    return SettingsRefusal{"Enter the user name that goes with the password.", "smtpuser"};
  return std::nullopt;
}

SettingsWrite* Find(std::vector<SettingsWrite>& writes, std::string_view key) {
  for (SettingsWrite& write : writes)
    if (key == write.field->key) return &write;
  return nullptr;
}

// Writes `text` to the page's field `key`, in place of what was to be written.
void Put(const SettingsPage& page, std::vector<SettingsWrite>& writes, std::string_view key, std::string text) {
  if (SettingsWrite* write = Find(writes, key)) return void(write->text = std::move(text));
  for (const SettingsField& field : page.fields)
    if (key == field.key) writes.push_back({&field, 0, std::move(text)});
}

}  // namespace

std::optional<SettingsRefusal> Check(const json& values) {
  if (std::optional<SettingsRefusal> refusal = CheckSender(values)) return refusal;
  return CheckLogin(values);
}

void Show(const std::string& file, json& values) {
  const MailHost host = MailHost::Parse(values["mailhost"].get<std::string>());
  if (!host.user.empty()) {
    values["mailhost"] = host.Address();
    values["smtpuser"] = host.user;
    values["smtppasswordSet"] = !host.password.empty();
  }
  values["smtpverify"] = EmailSettings::ParseVerify(ProfileReadString(file, "email", "smtpverify", "true"));
}

// The checks let no login into the mail host; one stored there moves to the
// login keys unless the page replaces it. No user, no password.
void Save(const std::string& file, const SettingsPage& page, std::vector<SettingsWrite>& writes) {
  const SettingsWrite* user = Find(writes, "smtpuser");
  if (user && user->text.empty()) return Put(page, writes, "smtppassword", "");
  const MailHost stored = MailHost::Parse(ProfileReadString(file, "email", "mailhost", ""));
  if (stored.user.empty() || !Find(writes, "mailhost")) return;
  if (!user) Put(page, writes, "smtpuser", stored.user);
  if (!Find(writes, "smtppassword")) Put(page, writes, "smtppassword", stored.password);
}

}  // namespace settings_email
