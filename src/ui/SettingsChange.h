#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>

#include "ui/ConsoleServerState.h"
#include "ui/SettingsFields.h"

// How the settings routes change the settings file: on the main loop, with
// the answer or refusal decided there.
namespace console_server {

struct SettingsOutcome {
  int status = 200;
  nlohmann::json body = nlohmann::json::object();

  static SettingsOutcome Refused(int status, const SettingsRefusal& refusal) {
    return {status, {{"error", refusal.error}, {"field", refusal.field}}};
  }
};

// The request's JSON object; refuses (400) and gives nothing otherwise.
std::optional<nlohmann::json> SettingsBody(const httplib::Request& request, httplib::Response& response);
// {"error", "field"} with `status`, so the page shows it beside the field.
void RefuseField(httplib::Response& response, int status, const SettingsRefusal& refusal);
// Runs `change` on the main loop and answers with its outcome. It owns what
// it uses, as a late one still runs.
void ChangeSettings(ConsoleServer::State& state, httplib::Response& response,
                    std::function<SettingsOutcome()> change);
// A section number member of `body`, nothing when absent or null; -1 when it
// is something else.
std::optional<int> SectionMember(const nlohmann::json& body);

}  // namespace console_server
