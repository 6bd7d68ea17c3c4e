#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

// The run settings of the outbound number list, section "outbound" of the
// settings file: {"active", "ogmanswer", "ogmmachine", "nattempts",
// "interval" (minutes), "timestart", "timeend" ("hh:mm:ss"), "silencetime",
// "timeout" (answer detection, whole seconds)}.
class OutboundSettings {
 public:
  static nlohmann::json Read(const std::string& settingsFile);

  struct Refusal {
    std::string field;
    std::string error;
  };
  // Checks every value of `values` (all are needed); nothing when they may
  // be written.
  static std::optional<Refusal> Check(const nlohmann::json& values,
                                      const std::function<bool(const std::string&)>& ogmExists);
  // Writes checked values in one update of the file.
  static bool Write(const nlohmann::json& values, const std::string& settingsFile);

  // "hh:mm" or "hh:mm:ss" as seconds since midnight, 24:00:00 included.
  static std::optional<int> TimeOfDay(const std::string& text);
};
