#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "ui/ConsoleServer.h"
#include "ui/ConsoleSessions.h"

// The server's insides, shared by its guard and its routes.
struct ConsoleServer::State {
  // The largest request body taken (bigger ones get 413), unless a route
  // registered a limit of its own in `bodyLimits`.
  static constexpr size_t kMaxBodyBytes = 64 * 1024;
  // The largest any route may register; what httplib itself enforces.
  static constexpr size_t kMaxUploadBytes = 256 << 20;
  // Event streams each hold a server thread; more are refused with 503.
  static constexpr int kMaxEventStreams = 4;
  // The browser phones' audio and log streams, two a phone.
  static constexpr int kMaxPhoneStreams = 8;
  // Every stream, and enough requests beside them that connections left
  // idle by a stranger (each holding a thread for kIdleSeconds) do not queue
  // the owner's requests behind them.
  static constexpr size_t kRequestThreads = 32;
  static constexpr size_t kServerThreads = kMaxEventStreams + kMaxPhoneStreams + kRequestThreads;
  // How long a connection may wait between requests, and how long one read
  // (the TLS handshake's, the request line's) may wait, before it is closed.
  static constexpr time_t kIdleSeconds = 2;
  static constexpr time_t kReadSeconds = 3;
  // How long Start waits for the server to run.
  static constexpr int kStartWaitMs = 2000;

  State(ConsoleHost h, ConsoleConfig c)
      : host(std::move(h)), config(std::move(c)), sessions(host.clock, config.passwordHash), server(MakeServer(config)),
        http(*server), tls(config.Tls()) {}

  static std::unique_ptr<httplib::Server> MakeServer(const ConsoleConfig& config) {
    if (!config.Tls()) return std::make_unique<httplib::Server>();
    return std::make_unique<httplib::SSLServer>(config.certificateFile.c_str(), config.keyFile.c_str());
  }

  ConsoleHost host;
  // As read at start; the live password is the sessions'.
  const ConsoleConfig config;
  ConsoleSessions sessions;
  const std::unique_ptr<httplib::Server> server;
  httplib::Server& http;
  const bool tls;
  std::thread thread;
  int port = 0;
  std::atomic<bool> stopping{false};
  std::atomic<int> eventStreams{0};
  std::atomic<int> phoneStreams{0};
  // Request path -> its body limit; filled before the server listens.
  std::map<std::string, size_t> bodyLimits;

  size_t BodyLimit(const std::string& path) const {
    const auto found = bodyLimits.find(path);
    return found == bodyLimits.end() ? kMaxBodyBytes : found->second;
  }
};

namespace console_server {

// Refuses what no route may see: a foreign Host or Origin, an API call
// without the login it needs, a state change without its session's token.
httplib::Server::HandlerResponse Guard(ConsoleServer::State& state, const httplib::Request& request,
                                       httplib::Response& response);
// The headers every answer carries: no page of another site may frame the
// console, no answer is taken for another type, and under TLS the browser
// keeps to HTTPS.
httplib::Headers SafetyHeaders(bool tls);
// Every route; the rest register their share, one concern each.
void AddRoutes(ConsoleServer::State& state);
void AddEventRoutes(ConsoleServer::State& state);
// The answering OGM, the IVR program's state, New and the notes.
void AddProgramRoutes(ConsoleServer::State& state);
// IVR program files: upload and load, save options, save and download.
void AddProgramFileRoutes(ConsoleServer::State& state);
void AddMailBoxRoutes(ConsoleServer::State& state);
void AddMessageRoutes(ConsoleServer::State& state);
void AddEmailRoutes(ConsoleServer::State& state);
// The OGM list's commands and its report; none without the engine's OGMs.
void AddOgmListRoutes(ConsoleServer::State& state);
// The settings pages but the system prompts.
void AddSettingsRoutes(ConsoleServer::State& state);
// The Console access page: who may open the console, its port, its password.
void AddConsoleAccessRoutes(ConsoleServer::State& state);
// The SIP devices, the sound devices and the delivery format.
void AddSettingsDeviceRoutes(ConsoleServer::State& state);
void AddMailBoxPropertiesRoutes(ConsoleServer::State& state);
void AddOutboundRoutes(ConsoleServer::State& state);
// The OGM editor: one OGM's keys, read and saved whole.
void AddOgmEditRoutes(ConsoleServer::State& state);
// An OGM's audio for its editor: play, import, and a spoken preview.
void AddOgmAudioRoutes(ConsoleServer::State& state);
// A mailbox's greeting and the system prompts, for the audio widget.
void AddGreetingRoutes(ConsoleServer::State& state);
void AddPromptRoutes(ConsoleServer::State& state);
// The installed voices and the preferred one.
void AddVoiceRoutes(ConsoleServer::State& state);
// The owner's sounds, the audio files OGMs play by path.
void AddSoundRoutes(ConsoleServer::State& state);
// The daily logs and each line's most recent call, read back.
void AddLogRoutes(ConsoleServer::State& state);
// The browser phones, when the host has them.
void AddPhoneRoutes(ConsoleServer::State& state);
inline constexpr const char* kJsonType = "application/json";
// `value` as the JSON answer (console_data::Dump).
void Answer(httplib::Response& response, const nlohmann::json& value);
// {"error": text} with `status`.
void Refuse(httplib::Response& response, int status, const std::string& text);
// {"error": text, "field": the form field the text belongs beside}.
void RefuseField(httplib::Response& response, int status, const std::string& field, const std::string& text);
// Runs `change` on the main loop and waits; true when it ran in time and
// succeeded. It owns what it uses, as a late one still runs.
bool ChangeOnMain(ConsoleServer::State& state, std::function<bool()> change);
// Runs `task` on the main loop; false (503) when it did not run in time.
// The task owns what it uses: it may still run later.
bool RunOnMain(ConsoleServer::State& state, httplib::Response& response, std::function<void()> task);
// Whether `password` is the console's, slowed down after failures (the
// login's and the Console access page's alike, for the request's client
// address); otherwise the refusal is answered beside `field`: 429 while a
// wait runs, else `wrongStatus`.
bool PasswordRight(ConsoleServer::State& state, const httplib::Request& request, httplib::Response& response,
                   const std::string& password, int wrongStatus, const std::string& field);
// Whether the client may use the console without a login: only on loopback,
// and only from the engine's own user (or root) on this machine.
bool OwnerOnLoopback(const ConsoleServer::State& state, const httplib::Request& request);
// Answers a client that is not OwnerOnLoopback and has no session: 401 where
// a password lets it log in, else 403 saying how to set one.
void RefuseStranger(ConsoleServer::State& state, httplib::Response& response);
// The live session's id from the request's cookie, "" when none.
std::string SessionOf(ConsoleServer::State& state, const httplib::Request& request);

}  // namespace console_server
