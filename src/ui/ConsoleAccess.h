#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

#include "ui/SettingsFields.h"

// The Console access page's request, checked before the engine sees it: who
// may open the console (this machine, every machine, or the address already
// set), its first port and its password, typed twice.
namespace console_access {

struct Change {
  std::string address;
  int port = 0;
  std::string password;  // the new one; "" keeps the one set
  bool remove = false;   // removes the one set
  std::string current;   // the one set, as typed: a password change needs it

  bool ChangesPassword() const { return !password.empty() || remove; }
};

// `address`: where the console listens now; `passwordSet`: whether it has a
// usable password (one typed into settings.ini by hand is not, and is
// replaced without the current one). Whether `current` is right is the caller's to check.
std::optional<SettingsRefusal> Check(const nlohmann::json& body, const std::string& address, bool passwordSet,
                                     Change& change);

}  // namespace console_access
