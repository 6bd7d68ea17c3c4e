#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "ui/ConsoleData.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleSelection.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr size_t kMaxStaticBytes = 4 << 20;

std::string SessionCookie(const ConsoleServer::State& state, const std::string& id) {
  return std::string(console_request::kSessionCookie) + "=" + id + "; Path=/; HttpOnly; SameSite=Strict" +
         (state.tls ? "; Secure" : "");
}

void AnswerToken(Response& response, const std::string& token, bool login) {
  Answer(response, {{"token", token}, {"login", login}});
}

void OpenSession(ConsoleServer::State& state, Response& response, bool login) {
  ConsoleSessions::Session session = state.sessions.Open();
  if (session.id.empty()) return Refuse(response, 500, "no session could be made");
  response.set_header("Set-Cookie", SessionCookie(state, session.id));
  AnswerToken(response, session.token, login);
}

// A live session hands back its token; on loopback the engine's own user
// gets a new one without a login.
void GetSession(ConsoleServer::State& state, const Request& request, Response& response) {
  // A session closed since SessionOf (a new password elsewhere) has no token.
  const std::string id = SessionOf(state, request);
  if (const std::optional<std::string> token = id.empty() ? std::nullopt : state.sessions.TokenOf(id))
    return AnswerToken(response, *token, state.config.loginRequired);
  if (!OwnerOnLoopback(state, request)) return RefuseStranger(state, response);
  OpenSession(state, response, false);
}

void PostLogin(ConsoleServer::State& state, const Request& request, Response& response) {
  if (!state.config.loginRequired && !state.sessions.PasswordUsable())
    return Refuse(response, 400, "no password is set");
  const std::optional<std::string> password = console_request::LoginPassword(request.body);
  if (!password) return Refuse(response, 400, "the login needs a password");
  if (PasswordRight(state, request, response, *password, 401, "")) OpenSession(state, response, true);
}

void PostLogout(ConsoleServer::State& state, const Request& request, Response& response) {
  state.sessions.Close(SessionOf(state, request));
  response.set_header("Set-Cookie", std::string(console_request::kSessionCookie) +
                                        "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict");
  response.set_content("{}", kJsonType);
}

// The rows go out as they are read. The type names the character set so
// that the server does not compress the answer: its compressor took seconds
// and tens of megabytes for a mailbox of thousands.
void GetMessages(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string path = RequestedMailBox(state.host.folders, request.get_param_value("mailbox"), response);
  if (path.empty()) return;
  response.set_chunked_content_provider("application/json; charset=utf-8", [path](size_t, httplib::DataSink& sink) {
    const bool sent = console_data::WriteMessagesJson(
        path, [&sink](std::string_view piece) { return sink.write(piece.data(), piece.size()); });
    if (sent) sink.done();
    return sent;
  });
}

// Answering on or off goes through the main loop like the control command.
void PostAnswering(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<bool> on = console_request::AnsweringOn(request.body);
  if (!on) return Refuse(response, 400, "expected {\"on\": true|false}");
  if (!state.host.send(LMessage{WM_CONTROLCOMMAND, *on ? 1 : 2, 0, ""}))
    return Refuse(response, 503, "the engine did not answer");
  Answer(response, {{"on", *on}});
}

std::string ContentType(const std::string& name) {
  const std::string extension = std::filesystem::path(name).extension().string();
  if (extension == ".html") return "text/html; charset=utf-8";
  if (extension == ".css") return "text/css; charset=utf-8";
  if (extension == ".js") return "text/javascript; charset=utf-8";
  if (extension == ".svg") return "image/svg+xml";
  if (extension == ".png") return "image/png";
  return "application/octet-stream";
}

// One file of the static folder; no subfolders and no listings.
void GetStatic(ConsoleServer::State& state, const Request& request, Response& response) {
  std::string name = request.matches[1];
  if (name.empty()) name = "index.html";
  if (std::string problem = RequestNameProblem(name); !problem.empty())
    return Refuse(response, 400, "the file name " + problem);
  const std::string path = state.config.staticFolder + "/" + name;
  std::error_code error;
  if (state.config.staticFolder.empty() || !std::filesystem::is_regular_file(path, error))
    return Refuse(response, 404, "not found");
  std::optional<std::string> text = ReadFileText(path, kMaxStaticBytes);
  if (!text) return Refuse(response, 404, "not found");
  response.set_content(*text, ContentType(name).c_str());
}

}  // namespace

void AddRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Get("/api/session", [&state](const Request& q, Response& r) { GetSession(state, q, r); });
  http.Post("/api/login", [&state](const Request& q, Response& r) { PostLogin(state, q, r); });
  http.Post("/api/logout", [&state](const Request& q, Response& r) { PostLogout(state, q, r); });
  http.Get("/api/status", [&state](const Request&, Response& r) {
    r.set_content(console_data::StatusJson(state.host.status.Get()), kJsonType);
  });
  http.Get("/api/mailboxes", [&state](const Request&, Response& r) {
    r.set_content(console_data::MailBoxesJson(state.host.folders), kJsonType);
  });
  http.Get("/api/messages", [&state](const Request& q, Response& r) { GetMessages(state, q, r); });
  http.Post("/api/answering", [&state](const Request& q, Response& r) { PostAnswering(state, q, r); });
  AddEventRoutes(state);
  AddProgramRoutes(state);
  AddMailBoxRoutes(state);
  AddMessageRoutes(state);
  AddEmailRoutes(state);
  AddOgmListRoutes(state);
  AddSettingsRoutes(state);
  AddMailBoxPropertiesRoutes(state);
  AddOutboundRoutes(state);
  AddOgmEditRoutes(state);
  AddGreetingRoutes(state);
  AddPromptRoutes(state);
  AddSoundRoutes(state);
  AddVoiceRoutes(state);
  AddLogRoutes(state);
  AddPhoneRoutes(state);
  http.Get("/api/.*", [](const Request&, Response& r) { Refuse(r, 404, "no such request"); });
  http.Get("/(.*)", [&state](const Request& q, Response& r) { GetStatic(state, q, r); });
}

}  // namespace console_server
