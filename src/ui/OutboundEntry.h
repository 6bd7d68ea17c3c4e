#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

// One entry of the outbound number list as the console shows and takes it:
// the number and its parameters, whose values travel URL-encoded in the
// entry (blanks inside an entry are dropped, so an OGM name with spaces
// survives only encoded).
namespace outbound_entry {

// {"entry": as stored, "number", "params": {key: decoded value}}.
nlohmann::json ToJson(const std::string& entry);

struct Built {
  std::string entry;  // empty when refused
  std::string field;  // "number", a parameter's key, or "params"
  std::string error;
};
// The entry for {"number", "params": {key: text}}; parameters with an empty
// value are left out. "attempts", "interval" and "intervalnext" take whole
// numbers; "ogm", "ogmanswer" and "ogmmachine" an OGM for which
// `ogmExists` is true.
Built Compose(const nlohmann::json& request, const std::function<bool(const std::string&)>& ogmExists);

}  // namespace outbound_entry
