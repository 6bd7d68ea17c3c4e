// The OGM list: its rows in alphabetical or logical order, New, Rename
// (with the places that still name the old name, moved on request),
// Delete, the audio for Play and the report. The page asks the questions;
// the files change on the engine's main loop, and every change marks the
// IVR program modified.
#include <atomic>
#include <filesystem>
#include <memory>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleOgms.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using Names = std::vector<std::string>;

constexpr const char* kRenameFail = "Unable to rename file. That OGM already exists.";

nlohmann::json ListingJson(const ConsoleOgms::Listing& listing) {
  nlohmann::json rows = nlohmann::json::array();
  for (const ConsoleOgms::Row& row : listing.rows)
    rows.push_back({{"name", row.name}, {"answer", row.answer}, {"type", row.data ? "Data" : "Menu"},
                    {"notes", row.notes}});
  return {{"order", listing.order}, {"rows", rows}, {"proposal", listing.proposal}};
}

// A name from the body's member `key`, checked; nothing after refusing. A
// `typed` name (new or renamed) is taken as it is kept (TypedName).
std::optional<std::string> NameOf(const Request& request, const char* key, Response& response, bool typed = false) {
  std::optional<std::string> name = console_request::StringField(request.body, key);
  if (!name) {
    Refuse(response, 400, std::string("expected the OGM name as \"") + key + "\"");
    return std::nullopt;
  }
  if (typed) name = TypedName(*name);
  if (std::string problem = RequestNameProblem(*name); !problem.empty()) {
    Refuse(response, 400, "the OGM name " + problem);
    return std::nullopt;
  }
  return name;
}

// Runs `change` with the OGM files on the main loop; when it succeeds the
// IVR program has unsaved changes.
bool ChangeOgms(ConsoleServer::State& state, std::function<bool(ConsoleOgms&)> change) {
  return ChangeOnMain(state, [ogms = state.host.ogms, settings = state.host.folders.SettingsFile(), change] {
    if (!change(*ogms)) return false;
    ProfileWriteBool(settings, "settings", "ivrmodified", true);
    return true;
  });
}

// The rows in the remembered order.
void AnswerListing(ConsoleServer::State& state, Response& response) {
  auto listing = std::make_shared<ConsoleOgms::Listing>();
  const int order = ProfileReadInt(state.host.folders.SettingsFile(), "settings", "ogmlistorder", 0);
  if (!RunOnMain(state, response, [ogms = state.host.ogms, order, listing] { *listing = ogms->List(order); }))
    return;
  Answer(response, ListingJson(*listing));
}

void PostOrder(ConsoleServer::State& state, const Request& request, Response& response) {
  const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
  if (!body.is_object() || !body.contains("order") || !body["order"].is_number_integer() ||
      (body["order"] != 0 && body["order"] != 1))
    return Refuse(response, 400, "expected {\"order\": 0 or 1}");
  const int order = body["order"];
  if (!RunOnMain(state, response, [settings = state.host.folders.SettingsFile(), order] {
        ProfileWriteInt(settings, "settings", "ogmlistorder", order);
      }))
    return;
  AnswerListing(state, response);
}

void PostNew(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> name = NameOf(request, "name", response, true);
  if (!name) return;
  if (!ChangeOgms(state, [name = *name](ConsoleOgms& ogms) { return ogms.Create(name); }))
    return Refuse(response, 409, "an OGM of that name exists already, or the name cannot be a file");
  Answer(response, {{"name", *name}});
}

void PostRename(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> from = NameOf(request, "from", response);
  if (!from) return;
  const std::optional<std::string> to = NameOf(request, "to", response, true);
  if (!to) return;
  if (!ExistsIgnoringCase(PathJoinExt(state.host.folders.Ogms(), *from, ".ini")))
    return Refuse(response, 404, "no such OGM");
  auto references = std::make_shared<Names>();
  if (*from == *to) return Answer(response, {{"name", *to}, {"references", *references}});
  if (!ChangeOgms(state, [from = *from, to = *to](ConsoleOgms& ogms) { return ogms.Rename(from, to); }))
    return Refuse(response, 409, kRenameFail);
  // Names are looked up without case: a new case leaves every place working.
  if (!EqualIgnoringCase(*from, *to) &&
      !RunOnMain(state, response, [ogms = state.host.ogms, from = *from, references] {
        *references = ogms->References(from);
      }))
    return;
  Answer(response, {{"name", *to}, {"references", *references}});
}

// What names the OGM `name`, asked before it is deleted.
void GetReferences(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string name = request.get_param_value("name");
  if (std::string problem = RequestNameProblem(name); !problem.empty())
    return Refuse(response, 400, "the OGM name " + problem);
  auto references = std::make_shared<Names>();
  if (!RunOnMain(state, response, [ogms = state.host.ogms, name, references] { *references = ogms->References(name); }))
    return;
  Answer(response, {{"references", *references}});
}

// Every place that names `from` names `to` instead.
void PostRetarget(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> from = NameOf(request, "from", response);
  if (!from) return;
  const std::optional<std::string> to = NameOf(request, "to", response);
  if (!to) return;
  auto moved = std::make_shared<std::atomic<int>>(0);
  ChangeOgms(state, [from = *from, to = *to, moved](ConsoleOgms& ogms) {
    *moved = ogms.MoveReferences(from, to);
    return *moved > 0;
  });
  Answer(response, {{"moved", moved->load()}});
}

void PostOgmDelete(ConsoleServer::State& state, const Request& request, Response& response) {
  std::optional<Names> names = console_request::TextListMember(request.body, "names");
  if (!names) return Refuse(response, 400, "expected {\"names\": [OGM names]}");
  for (const std::string& name : *names)
    if (std::string problem = RequestNameProblem(name); !problem.empty())
      return Refuse(response, 400, "the OGM name " + problem);
  auto deleted = std::make_shared<std::atomic<int>>(0);
  ChangeOgms(state, [names = std::move(*names), deleted](ConsoleOgms& ogms) {
    for (const std::string& name : names) *deleted += ogms.Remove(name) ? 1 : 0;
    return *deleted > 0;
  });
  Answer(response, {{"deleted", deleted->load()}});
}

// The report of the rows in the remembered order.
void PostReport(ConsoleServer::State& state, Response& response) {
  auto html = std::make_shared<std::optional<std::string>>();
  const int order = ProfileReadInt(state.host.folders.SettingsFile(), "settings", "ogmlistorder", 0);
  if (!RunOnMain(state, response, [ogms = state.host.ogms, order, html] {
        Names names;
        for (const ConsoleOgms::Row& row : ogms->List(order).rows) names.push_back(row.name);
        *html = ogms->WriteReport(names);
      }))
    return;
  if (!*html) return Refuse(response, 500, std::string("\"") + ConsoleOgms::kReportName + "\" could not be written");
  Answer(response, {{"html", **html}, {"download", "/api/ogmlist/report.rtf"}});
}

void GetReport(ConsoleServer::State& state, const Request& request, Response& response) {
  response.set_header("Content-Disposition", AttachmentHeader(ConsoleOgms::kReportName));
  response.set_header("Cache-Control", "no-store");
  const std::string path = PathJoin(state.host.folders.Root(), ConsoleOgms::kReportName);
  if (SendFile(request, response, path, "application/rtf")) return;
  response.headers.erase("Content-Disposition");
  Refuse(response, 404, "no report has been written yet");
}

}  // namespace

void AddOgmListRoutes(ConsoleServer::State& state) {
  if (!state.host.ogms) return;
  httplib::Server& http = state.http;
  http.Get("/api/ogmlist", [&state](const Request&, Response& r) { AnswerListing(state, r); });
  http.Post("/api/ogmlist/order", [&state](const Request& q, Response& r) { PostOrder(state, q, r); });
  http.Post("/api/ogmlist/new", [&state](const Request& q, Response& r) { PostNew(state, q, r); });
  http.Post("/api/ogmlist/rename", [&state](const Request& q, Response& r) { PostRename(state, q, r); });
  http.Post("/api/ogmlist/retarget", [&state](const Request& q, Response& r) { PostRetarget(state, q, r); });
  http.Post("/api/ogmlist/delete", [&state](const Request& q, Response& r) { PostOgmDelete(state, q, r); });
  http.Post("/api/ogmlist/report", [&state](const Request&, Response& r) { PostReport(state, r); });
  http.Get("/api/ogmlist/references", [&state](const Request& q, Response& r) { GetReferences(state, q, r); });
  http.Get("/api/ogmlist/report.rtf", [&state](const Request& q, Response& r) { GetReport(state, q, r); });
}

}  // namespace console_server
