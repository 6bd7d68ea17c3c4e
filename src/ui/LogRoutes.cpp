// The logs read back: the list of daily logs and most recent calls, one
// log's last lines to show, and a log whole as a download. Read only; a
// name that is not a log's is refused, so no other file can be read.
#include "core/DataFolders.h"
#include "log/LogFolder.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

constexpr const char* kKindNames[] = {"call", "system", "recent"};

json FileJson(const LogFolder::File& file) {
  return {{"name", file.name}, {"kind", kKindNames[static_cast<int>(file.kind)]}, {"date", file.date},
          {"line", file.line}, {"size", file.size}, {"modified", static_cast<int64_t>(file.modified)}};
}

void GetList(ConsoleServer::State& state, Response& response) {
  json files = json::array();
  for (const LogFolder::File& file : LogFolder(state.host.folders.Logs()).Files()) files.push_back(FileJson(file));
  Answer(response, {{"files", files}});
}

void GetText(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string name = request.get_param_value("name");
  const std::optional<LogFolder::Tail> tail = LogFolder(state.host.folders.Logs()).ReadTail(name);
  if (!tail) return Refuse(response, 404, "no such log");
  response.set_header("Cache-Control", "no-store");
  Answer(response, {{"name", name}, {"text", tail->text}, {"cut", tail->cut}});
}

void GetDownload(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string name = request.get_param_value("name");
  const std::optional<std::string> path = LogFolder(state.host.folders.Logs()).PathOf(name);
  response.set_header("Cache-Control", "no-store");
  response.set_header("Content-Disposition", AttachmentHeader(name));
  if (!path || !SendFile(request, response, *path, "text/plain")) {
    response.headers.erase("Content-Disposition");
    Refuse(response, 404, "no such log");
  }
}

}  // namespace

void AddLogRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/logs", [&state](const Request&, Response& r) { GetList(state, r); });
  http.Get("/api/logs/text", [&state](const Request& q, Response& r) { GetText(state, q, r); });
  http.Get("/api/logs/download", [&state](const Request& q, Response& r) { GetDownload(state, q, r); });
}

}  // namespace console_server
