// The answering OGM and the IVR program's commands but its files: New, the
// notes and their showing once after a load.
#include <nlohmann/json.hpp>

#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "ivrfile/IvrFolderFiles.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrProgram.h"
#include "ui/ConsoleData.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleServerState.h"
#include "ui/ProgramData.h"
#include "ui/ProgramFolder.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

// Notes travel in a program file, which holds at most this much; JSON
// escapes may make the body a few times longer.
constexpr size_t kMaxNotesBytes = kIvrMaxNotes;
constexpr size_t kMaxNotesBodyBytes = 8 * kMaxNotesBytes;

// The engine's own control command 3 selects it, as `zavotel ctl` does.
void PostSelectOgm(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> name = console_request::StringField(request.body, "name");
  if (!name) return Refuse(response, 400, "expected {\"name\": \"OGM\"}");
  if (std::string problem = RequestNameProblem(*name); !problem.empty())
    return Refuse(response, 400, "the OGM name " + problem);
  std::string title;
  for (const std::string& ogm : FolderTitles(state.host.folders.Ogms(), ".ini"))
    if (EqualIgnoringCase(ogm, *name)) title = ogm;
  if (title.empty()) return Refuse(response, 404, "no such OGM");
  if (!state.host.send(LMessage{WM_CONTROLCOMMAND, 3, 0, title}))
    return Refuse(response, 503, "the engine did not answer");
  Answer(response, {{"selected", title}});
}

void PostNew(ConsoleServer::State& state, Response& response) {
  const std::optional<int64_t> result = state.host.send(LMessage{WM_NEWIVRPROGRAM, 0, 0, ""});
  if (!result) return Refuse(response, 503, "the engine did not answer");
  if (*result != 0) return Refuse(response, 409, program_folder::kLoadingText);
  response.set_content(console_data::ProgramJson(state.host.folders), kJsonType);
}

void PostNotesShown(ConsoleServer::State& state, Response& response) {
  const std::string settings = state.host.folders.SettingsFile();
  if (!ChangeOnMain(state, [settings] { return ProfileDeleteKey(settings, "settings", "notespopup"); }))
    return Refuse(response, 503, "the engine did not answer");
  response.set_content(console_data::ProgramJson(state.host.folders), kJsonType);
}

void GetNotes(ConsoleServer::State& state, Response& response) {
  const std::string text = ReadFileText(IvrNotesPath(state.host.folders), kMaxNotesBytes).value_or("");
  Answer(response, {{"text", text}});
}

void PostNotes(ConsoleServer::State& state, const Request& request, Response& response) {
  std::optional<std::string> text = console_request::StringField(request.body, "text");
  if (!text) return Refuse(response, 400, "expected {\"text\": \"...\"}");
  if (text->size() > kMaxNotesBytes) return Refuse(response, 413, "the notes are longer than a program file can carry");
  const std::string path = IvrNotesPath(state.host.folders);
  if (!ChangeOnMain(state, [path, text = std::move(*text)] { return ReplaceFileText(path, text); }))
    return Refuse(response, 500, "the notes could not be written");
  response.set_content("{}", kJsonType);
}

}  // namespace

void AddProgramRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/ogms", [&state](const Request&, Response& r) {
    r.set_content(console_data::OgmsJson(state.host.folders), kJsonType);
  });
  http.Post("/api/ogms/select", [&state](const Request& q, Response& r) { PostSelectOgm(state, q, r); });
  http.Get("/api/ivr", [&state](const Request&, Response& r) {
    r.set_content(console_data::ProgramJson(state.host.folders), kJsonType);
  });
  http.Post("/api/ivr/new", [&state](const Request&, Response& r) { PostNew(state, r); });
  http.Post("/api/ivr/notes-shown", [&state](const Request&, Response& r) { PostNotesShown(state, r); });
  http.Get("/api/ivr/notes", [&state](const Request&, Response& r) { GetNotes(state, r); });
  http.Post("/api/ivr/notes", [&state](const Request& q, Response& r) { PostNotes(state, q, r); });
  state.bodyLimits["/api/ivr/notes"] = kMaxNotesBodyBytes;
  AddProgramFileRoutes(state);
}

}  // namespace console_server
