#include <memory>
#include <nlohmann/json.hpp>

#include "ui/ConsoleData.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

// The two requests that may come without a session.
bool OpensSession(const std::string& path) { return path == "/api/session" || path == "/api/login"; }

bool ChangesState(const std::string& method) { return method != "GET" && method != "HEAD"; }

// The methods whose body httplib reads before a route sees the request.
bool HasBody(const std::string& method) {
  return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE" || method == "PRI";
}

}  // namespace

void Answer(httplib::Response& response, const nlohmann::json& value) {
  response.set_content(console_data::Dump(value), kJsonType);
}

void Refuse(httplib::Response& response, int status, const std::string& text) {
  response.status = status;
  Answer(response, {{"error", text}});
}

void RefuseField(httplib::Response& response, int status, const std::string& field, const std::string& text) {
  response.status = status;
  Answer(response, {{"error", text}, {"field", field}});
}

bool RunOnMain(ConsoleServer::State& state, httplib::Response& response, std::function<void()> task) {
  if (state.host.onMain(std::move(task))) return true;
  Refuse(response, 503, "the engine did not answer");
  return false;
}

bool ChangeOnMain(ConsoleServer::State& state, std::function<bool()> change) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  return state.host.onMain([change = std::move(change), done] { *done = change(); }) && *done;
}

bool PasswordRight(ConsoleServer::State& state, const httplib::Request& request, httplib::Response& response,
                   const std::string& password, int wrongStatus, const std::string& field) {
  const std::string& client = request.remote_addr;
  if (const uint64_t wait = state.sessions.LoginWaitMs(client); wait > 0) {
    response.set_header("Retry-After", std::to_string((wait + 999) / 1000));
    RefuseField(response, 429, field, "too many wrong passwords; try again later");
    return false;
  }
  if (!state.sessions.PasswordMatches(password)) {
    state.sessions.LoginFailed(client);
    RefuseField(response, wrongStatus, field, "wrong password");
    return false;
  }
  state.sessions.LoginSucceeded(client);
  return true;
}

std::string SessionOf(ConsoleServer::State& state, const httplib::Request& request) {
  const std::string id =
      console_request::CookieValue(request.get_header_value("Cookie"), console_request::kSessionCookie);
  return !id.empty() && state.sessions.TokenOf(id) ? id : "";
}

httplib::Server::HandlerResponse Guard(ConsoleServer::State& state, const httplib::Request& request,
                                       httplib::Response& response) {
  using Result = httplib::Server::HandlerResponse;
  const std::string host = request.get_header_value("Host");
  if (!console_request::HostAllowed(host, state.port, !state.config.loginRequired)) {
    Refuse(response, 403, "unknown host");
    return Result::Handled;
  }
  if (request.has_header("Origin") &&
      !console_request::OriginAllowed(request.get_header_value("Origin"), host, state.tls)) {
    Refuse(response, 403, "foreign origin");
    return Result::Handled;
  }
  // Before any body is read: one without a stated length could grow
  // without bound (httplib reads chunked bodies and bodies without a
  // Content-Length whole, whatever its own limit).
  if (HasBody(request.method)) {
    const std::optional<uint64_t> length =
        request.has_header("Transfer-Encoding")
            ? std::nullopt
            : console_request::ContentLength(request.get_header_value("Content-Length"));
    if (!length || *length > state.BodyLimit(request.path)) {
      Refuse(response, length ? 413 : 411, length ? "the request is too large" : "the request needs a Content-Length");
      response.set_header("Connection", "close");
      return Result::Handled;
    }
  }
  if (request.path.rfind("/api/", 0) != 0 || OpensSession(request.path)) return Result::Unhandled;

  const std::string id =
      console_request::CookieValue(request.get_header_value("Cookie"), console_request::kSessionCookie);
  const std::optional<std::string> token = id.empty() ? std::nullopt : state.sessions.TokenOf(id);
  if (state.config.loginRequired && !token) {
    Refuse(response, 401, "login required");
    return Result::Handled;
  }
  if (ChangesState(request.method) &&
      (!token ||
       !SameSecret(*token, request.get_header_value(std::string(console_request::kTokenHeader).c_str())))) {
    Refuse(response, 403, "missing or wrong session token");
    return Result::Handled;
  }
  return Result::Unhandled;
}

}  // namespace console_server
