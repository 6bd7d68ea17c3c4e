// The outbound number list: its entries added, edited and removed one at a
// time, and its run settings. Every change runs on the engine's main loop,
// where the scheduler takes entries and appends retries, and then asks the
// scheduler to look at the list again.
#include <memory>

#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "ivrfile/IvrFolderFiles.h"
#include "mail/MailFiles.h"
#include "telephony/OutboundList.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleServerState.h"
#include "ui/OutboundEntry.h"
#include "ui/OutboundSettings.h"
#include "ui/SettingsLines.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

constexpr size_t kMaxListName = 259;
// A list file's text as JSON: each byte may take six characters.
constexpr size_t kMaxLoadBody = 6 << 20;

OutboundList ListOf(const DataFolders& folders) { return OutboundList(folders.Root(), folders.SettingsFile()); }

std::function<bool(const std::string&)> OgmExists(const DataFolders& folders) {
  return [ogms = folders.Ogms()](const std::string& name) {
    return ExistsIgnoringCase(PathJoin(ogms, name + ".ini"));
  };
}

// The OGMs the dialog offers: those that may answer a call.
json AnsweringOgms(const DataFolders& folders) {
  json names = json::array();
  for (const std::string& title : FolderTitles(folders.Ogms(), ".ini"))
    if (ProfileReadBool(PathJoin(folders.Ogms(), title + ".ini"), "ivr", "answer", true)) names.push_back(title);
  return names;
}

void Get(ConsoleServer::State& state, const Request&, Response& response) {
  const DataFolders& folders = state.host.folders;
  json entries = json::array();
  for (const std::string& entry : ListOf(folders).Entries()) entries.push_back(outbound_entry::ToJson(entry));
  Answer(response, {{"entries", entries},
                    {"settings", OutboundSettings::Read(folders.SettingsFile())},
                    {"ogms", AnsweringOgms(folders)},
                    {"savedfile", ProfileReadString(folders.SettingsFile(), "outbound", "savedfile", "")},
                    {"bareNumbers", settings_lines::CanCallBareNumbers(folders.SettingsFile())}});
}

json BodyOf(const Request& request) { return json::parse(request.body, nullptr, false); }

// The entry a request names by its text, as the list showed it.
std::optional<std::string> Was(const json& body, Response& response) {
  if (!body.is_object() || !body.contains("was") || !body["was"].is_string() || body["was"].get<std::string>().empty()) {
    Refuse(response, 400, "expected the entry as \"was\"");
    return std::nullopt;
  }
  return body["was"].get<std::string>();
}

// Runs one list change on the main loop, then wakes the scheduler.
void Change(ConsoleServer::State& state, Response& response, std::optional<std::string> was,
            std::optional<std::string> now) {
  auto edit = std::make_shared<OutboundList::Edit>(OutboundList::Edit::kFailed);
  if (!RunOnMain(state, response, [list = ListOf(state.host.folders), was, now, edit] {
        if (!was) *edit = list.Append(*now) ? OutboundList::Edit::kDone : OutboundList::Edit::kFailed;
        else *edit = list.Change(*was, now);
      }))
    return;
  if (*edit == OutboundList::Edit::kGone)
    return Refuse(response, 409, "That entry is no longer in the list (it may have been called meanwhile).");
  if (*edit == OutboundList::Edit::kFailed)
    return Refuse(response, 500, std::string(OutboundList::kNotReadWhole) + " or written");
  state.host.send(LMessage{WM_RUNSCHEDULER, 0, 0, ""});
  Answer(response, {{"entry", now ? json(*now) : json()}});
}

// Add (no "was") or edit: the entry is built from {"number", "params"}.
void Put(ConsoleServer::State& state, const Request& request, Response& response, bool editing) {
  const json body = BodyOf(request);
  std::optional<std::string> was;
  if (editing && !(was = Was(body, response))) return;
  if (!body.is_object()) return Refuse(response, 400, "expected {\"number\", \"params\"}");
  const outbound_entry::Built built = outbound_entry::Compose(body, OgmExists(state.host.folders));
  if (built.entry.empty()) return RefuseField(response, 400, built.field, built.error);
  Change(state, response, was, built.entry);
}

void PostRemove(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> was = Was(BodyOf(request), response);
  if (was) Change(state, response, was, std::nullopt);
}

void PostSettings(ConsoleServer::State& state, const Request& request, Response& response) {
  const json body = BodyOf(request);
  const DataFolders& folders = state.host.folders;
  if (auto refusal = OutboundSettings::Check(body, OgmExists(folders)))
    return RefuseField(response, 400, refusal->field, refusal->error);
  auto written = std::make_shared<bool>(false);
  if (!RunOnMain(state, response, [body, settings = folders.SettingsFile(), written] {
        *written = OutboundSettings::Write(body, settings);
      }))
    return;
  if (!*written) return Refuse(response, 500, "the settings could not be written");
  state.host.send(LMessage{WM_RUNSCHEDULER, 0, 0, ""});
  Answer(response, OutboundSettings::Read(folders.SettingsFile()));
}

// The name a number list file is remembered by ([outbound] "savedfile"): the
// browser knows a chosen file by its name only.
std::optional<std::string> ListFileName(const json& body, Response& response) {
  const std::string name = body.is_object() && body.contains("file") && body["file"].is_string()
                               ? body["file"].get<std::string>() : "";
  if (const std::string problem = RequestNameProblem(name); !problem.empty() || name.size() > kMaxListName) {
    RefuseField(response, 400, "file", problem.empty() ? "the file name is too long" : problem);
    return std::nullopt;
  }
  return name;
}

// Load List: the file's text replaces the list, and its name is remembered;
// Clear: an empty text without a name.
void PostLoad(ConsoleServer::State& state, const Request& request, Response& response) {
  const json body = BodyOf(request);
  std::optional<std::string> name;
  if (body.is_object() && body.contains("file") && !(name = ListFileName(body, response))) return;
  if (!body.contains("text") || !body["text"].is_string()) return Refuse(response, 400, "expected the list as \"text\"");
  auto loaded = std::make_shared<bool>(false);
  if (!RunOnMain(state, response, [folders = state.host.folders, text = body["text"].get<std::string>(), name, loaded] {
        *loaded = ListOf(folders).Replace(text) &&
                  (!name || ProfileWriteString(folders.SettingsFile(), "outbound", "savedfile", *name));
      }))
    return;
  if (!*loaded) return Refuse(response, 500, "the number list could not be written");
  state.host.send(LMessage{WM_RUNSCHEDULER, 0, 0, ""});
  Get(state, request, response);
}

// Save List: the list's text under the chosen name, which is remembered. A
// list too large to read whole is refused rather than saved cut short.
void PostOutboundSave(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> name = ListFileName(BodyOf(request), response);
  if (!name) return;
  auto text = std::make_shared<std::optional<std::string>>();
  if (!RunOnMain(state, response, [folders = state.host.folders, name, text] {
        *text = ListOf(folders).WholeText();
        if (*text) ProfileWriteString(folders.SettingsFile(), "outbound", "savedfile", *name);
      }))
    return;
  if (!*text) return Refuse(response, 500, OutboundList::kNotReadWhole);
  Answer(response, {{"file", *name}, {"text", **text}});
}

}  // namespace

void AddOutboundRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/outbound", [&state](const Request& q, Response& r) { Get(state, q, r); });
  http.Post("/api/outbound/add", [&state](const Request& q, Response& r) { Put(state, q, r, false); });
  http.Post("/api/outbound/edit", [&state](const Request& q, Response& r) { Put(state, q, r, true); });
  http.Post("/api/outbound/remove", [&state](const Request& q, Response& r) { PostRemove(state, q, r); });
  http.Post("/api/outbound/settings", [&state](const Request& q, Response& r) { PostSettings(state, q, r); });
  http.Post("/api/outbound/load", [&state](const Request& q, Response& r) { PostLoad(state, q, r); });
  state.bodyLimits["/api/outbound/load"] = kMaxLoadBody;
  http.Post("/api/outbound/save", [&state](const Request& q, Response& r) { PostOutboundSave(state, q, r); });
}

}  // namespace console_server
