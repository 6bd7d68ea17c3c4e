#include "ui/ConsoleAccess.h"

#include "ui/ConsoleConfig.h"
#include "ui/ConsolePassword.h"

namespace console_access {
namespace {

using nlohmann::json;

// A password field: absent is empty.
std::optional<std::string> Password(const json& body, const char* key) {
  const json value = body.value(key, json(""));
  if (!value.is_string() || !PlainText(value.get<std::string>(), kMaxPassword)) return std::nullopt;
  return value.get<std::string>();
}

std::optional<SettingsRefusal> CheckPasswords(const json& body, bool passwordSet, Change& change) {
  for (const char* key : {"password", "again", "current"})
    if (!Password(body, key)) return SettingsRefusal{kPasswordTooLong, key};
  change.password = *Password(body, "password");
  change.current = *Password(body, "current");
  if (!change.password.empty() && !console_password::LongEnough(change.password))
    return SettingsRefusal{console_password::kTooShort, "password"};
  if (change.password != *Password(body, "again")) return SettingsRefusal{"The two passwords differ.", "again"};
  const json remove = body.value("remove", json(false));
  if (!remove.is_boolean()) return SettingsRefusal{"expected true or false", "remove"};
  change.remove = remove.get<bool>() && passwordSet;
  if (change.remove && !change.password.empty())
    return SettingsRefusal{"Enter no new password when removing it.", "password"};
  return std::nullopt;
}

}  // namespace

std::optional<SettingsRefusal> Check(const json& body, const std::string& address, bool passwordSet,
                                     Change& change) {
  if (!body.is_object()) return SettingsRefusal{"expected a JSON object", ""};
  const json chosen = body.value("address", json());
  if (!chosen.is_string() || (chosen != ConsoleConfig::kDefaultAddress && chosen != ConsoleConfig::kAnyAddress &&
                              chosen != address))
    return SettingsRefusal{"Choose who may open the console.", "address"};
  change.address = chosen.get<std::string>();
  const json port = body.value("port", json());
  if (!port.is_number_integer() || port.get<int64_t>() < 1 || port.get<int64_t>() > 65535)
    return SettingsRefusal{"Enter a port from 1 to 65535.", "port"};
  change.port = port.get<int>();
  if (std::optional<SettingsRefusal> refusal = CheckPasswords(body, passwordSet, change)) return refusal;
  const bool protectedAfter = !change.password.empty() || (passwordSet && !change.remove);
  if (!IsLoopbackAddress(change.address) && !protectedAfter) {
    if (change.remove)
      return SettingsRefusal{"The password can be removed only while only this machine may open the console.",
                             "remove"};
    return SettingsRefusal{"Any machine on the network may open the console only with a password: enter one.",
                           "password"};
  }
  if (passwordSet && change.ChangesPassword() && change.current.empty())
    return SettingsRefusal{"Enter the current password.", "current"};
  return std::nullopt;
}

}  // namespace console_access
