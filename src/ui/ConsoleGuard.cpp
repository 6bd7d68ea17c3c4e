#include <pwd.h>
#include <unistd.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "ui/ConsoleData.h"
#include "ui/ConsolePeer.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

// The two requests that may come without a session.
bool OpensSession(const std::string& path) { return path == "/api/session" || path == "/api/login"; }

bool ChangesState(const std::string& method) { return method != "GET" && method != "HEAD"; }

// The name of user `uid`, else its number.
std::string UserName(uid_t uid) {
  const passwd* user = ::getpwuid(uid);
  return user ? user->pw_name : "uid " + std::to_string(uid);
}

// The methods whose body httplib reads before a route sees the request.
bool HasBody(const std::string& method) {
  return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE" || method == "PRI";
}

}  // namespace

httplib::Headers SafetyHeaders(bool tls) {
  httplib::Headers headers{{"X-Frame-Options", "DENY"},
                           {"Content-Security-Policy", "frame-ancestors 'none'"},
                           {"X-Content-Type-Options", "nosniff"}};
  if (tls) headers.emplace("Strict-Transport-Security", "max-age=31536000");
  return headers;
}

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
  if (const uint64_t wait = state.sessions.BeginLogin(client); wait > 0) {
    response.set_header("Retry-After", std::to_string((wait + 999) / 1000));
    RefuseField(response, 429, field, "too many wrong passwords; try again later");
    return false;
  }
  const bool right = state.sessions.PasswordMatches(password);
  state.sessions.EndLogin(client, right);
  if (!right) RefuseField(response, wrongStatus, field, "wrong password");
  return right;
}

// Root may act as any user anyway, so it gains nothing by passing too.
bool OwnerOnLoopback(const ConsoleServer::State& state, const httplib::Request& request) {
  if (state.config.loginRequired) return false;
  const std::optional<uid_t> uid = console_peer::SocketOwner({request.remote_addr, request.remote_port},
                                                             {request.local_addr, request.local_port});
  return uid && (*uid == ::geteuid() || *uid == 0);
}

void RefuseStranger(ConsoleServer::State& state, httplib::Response& response) {
  if (state.config.loginRequired || state.sessions.PasswordUsable()) return Refuse(response, 401, "login required");
  Refuse(response, 403,
         "Without a password this console opens only for the user the engine runs as (" + UserName(::geteuid()) +
             "). To log in as another user, the owner first sets a password with \"zavotel console-password\" "
             "or in Settings, Console access; then reload this page.");
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
  // httplib takes the first of several lengths; a proxy before it may have
  // taken another, and read the rest as a second request.
  if (request.get_header_value_count("Content-Length") > 1) {
    Refuse(response, 400, "more than one Content-Length");
    response.set_header("Connection", "close");
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
  if (!token && !OwnerOnLoopback(state, request)) {
    RefuseStranger(state, response);
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
