// The Console access page: where the console answers, who may open it, its
// first port and its password. A new password takes effect at once and ends
// every other session; a new address or port moves the console once the
// answer, which says where to, went out.
#include <nlohmann/json.hpp>

#include "core/Profile.h"
#include "ui/ConsoleAccess.h"
#include "ui/ConsolePassword.h"
#include "ui/ConsoleServerState.h"
#include "ui/SettingsChange.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

// The form's values (the passwords always empty) and what the page says
// beside them.
json AccessJson(ConsoleServer::State& state) {
  return {{"values",
           {{"address", state.config.address},
            {"port", state.config.firstPort},
            {"current", ""},
            {"password", ""},
            {"again", ""},
            {"remove", false},
            {"passwordSet", state.sessions.PasswordUsable()},
            {"passwordUnusable", state.sessions.HasPassword() && !state.sessions.PasswordUsable()},
            {"answersAt", ConsoleUrl(state.config.address, state.port, state.tls)},
            {"https", state.tls}}}};
}

bool WriteAccess(const std::string& file, const console_access::Change& change, const std::string& hash) {
  const char* section = ConsoleConfig::kSection;
  bool ok = ProfileWriteString(file, section, "address", change.address) &&
            ProfileWriteInt(file, section, "port", change.port);
  if (!hash.empty()) ok = ok && ProfileWriteString(file, section, "password", hash);
  if (change.remove) ok = ok && ProfileDeleteKey(file, section, "password");
  return ok;
}

// The form as saved, where the console will answer, and whether the browser
// will ask about its own certificate there.
void AddMovedTo(ConsoleServer::State& state, const console_access::Change& change, json& values) {
  const ConsoleConfig config = ConsoleConfig::Read(state.host.folders.SettingsFile(), state.host.folders.Root(), "");
  values["address"] = change.address;
  values["port"] = change.port;
  values["movedTo"] = ConsoleUrl(change.address, change.port, config.Tls());
  values["asksAboutCertificate"] = config.selfSigned;
}

void PostAccess(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<json> body = SettingsBody(request, response);
  if (!body) return;
  console_access::Change change;
  const bool passwordSet = state.sessions.PasswordUsable();
  if (std::optional<SettingsRefusal> refusal = console_access::Check(*body, state.config.address, passwordSet, change))
    return RefuseField(response, 400, *refusal);
  if (passwordSet && change.ChangesPassword() &&
      !PasswordRight(state, request, response, change.current, 400, "current"))
    return;
  const std::string hash = change.password.empty() ? "" : console_password::Hash(change.password);
  if (!change.password.empty() && hash.empty()) return Refuse(response, 500, "The password could not be stored.");
  const std::string file = state.host.folders.SettingsFile();
  if (!ChangeOnMain(state, [file, change, hash] { return WriteAccess(file, change, hash); }))
    return Refuse(response, 500, "The settings file could not be written.");
  if (change.ChangesPassword()) state.sessions.ChangePassword(hash, SessionOf(state, request));
  json answer = AccessJson(state);
  // The port it went to when the first was taken counts as unchanged too.
  const bool moves = change.address != state.config.address ||
                     (change.port != state.config.firstPort && change.port != state.port);
  if (moves && state.host.move) {
    AddMovedTo(state, change, answer["values"]);
    state.host.move();
  }
  Answer(response, answer);
}

}  // namespace

void AddConsoleAccessRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/settings/console", [&state](const Request&, Response& r) { Answer(r, AccessJson(state)); });
  http.Post("/api/settings/console", [&state](const Request& q, Response& r) { PostAccess(state, q, r); });
}

}  // namespace console_server
