// The mailbox properties dialog: every key of a mailbox file. Read from the
// data folder; written on the engine's main loop in one update.
#include <memory>

#include "core/MainMessages.h"
#include "core/Path.h"
#include "mail/LMailBox.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleSelection.h"
#include "ui/MailBoxProperties.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

json PropertiesJson(const std::string& path) {
  json out;
  out["mailbox"] = LMailBox::MailBoxName(path);
  out["properties"] = mailbox_properties::ToJson(LMailBoxSettings::Read(path));
  return out;
}

void Get(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string path = RequestedMailBox(state.host.folders, request.get_param_value("mailbox"), response);
  if (path.empty()) return;
  Answer(response, PropertiesJson(path));
}

void Post(ConsoleServer::State& state, const Request& request, Response& response) {
  const json body = json::parse(request.body, nullptr, false);
  if (!body.is_object() || !body.contains("mailbox") || !body["mailbox"].is_string() ||
      !body.contains("properties"))
    return Refuse(response, 400, "expected {\"mailbox\", \"properties\"}");
  const DataFolders& folders = state.host.folders;
  const std::string path = RequestedMailBox(folders, body["mailbox"].get<std::string>(), response);
  if (path.empty()) return;
  auto refusal = std::make_shared<std::optional<mailbox_properties::Refusal>>();
  auto written = std::make_shared<bool>(false);
  if (!RunOnMain(state, response,
                 [path, values = body["properties"], refusal, written] {
                   if (!ExistsIgnoringCase(path)) return;
                   LMailBoxSettings settings = LMailBoxSettings::Read(path);
                   *refusal = mailbox_properties::Apply(values, settings);
                   if (*refusal) return;
                   *written = settings.WriteChoices(path);
                 }))
    return;
  if (*refusal) return RefuseField(response, 400, (*refusal)->field, (*refusal)->error);
  if (!*written) return Refuse(response, 500, "the mailbox file could not be written");
  // A delivery that failed is tried again at once with what was mended.
  state.host.send(LMessage{WM_WAKEBGTASK, 0, 0, ""});
  Answer(response, PropertiesJson(path));
}

}  // namespace

void AddMailBoxPropertiesRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/mailbox-properties", [&state](const Request& q, Response& r) { Get(state, q, r); });
  http.Post("/api/mailbox-properties", [&state](const Request& q, Response& r) { Post(state, q, r); });
}

}  // namespace console_server
