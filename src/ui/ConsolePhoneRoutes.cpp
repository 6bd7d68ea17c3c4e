// The browser phones: connect, hang up and keys on the main loop; the
// earpiece's audio and the call's log as long-lived streams; the
// microphone's audio as small posts. Every request names a phone its own
// session connected.
#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>
#include <utility>

#include "core/FileIo.h"
#include "telephony/wave/LWaveNetworkLink.h"
#include "ui/ConsoleData.h"
#include "ui/ConsolePhones.h"
#include "ui/ConsoleServerState.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

constexpr const char* kNoPhone = "no such phone in a call";
constexpr const char* kKeys = "0123456789*#";
// About 100 ms of microphone audio a post; a late page may send more.
constexpr size_t kMaxMicBytes = 8000;
constexpr int kAudioWaitMs = 200;
constexpr auto kLogPoll = std::chrono::milliseconds(250);
constexpr int kKeepAlivePolls = 60;
constexpr size_t kMaxCallFile = 16 << 20;

// A phone id: 1 to 9 decimal digits.
int IdOf(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stoi(text);
}

int IdOf(const json& body) {
  const json id = body.is_object() ? body.value("id", json()) : json();
  return id.is_number_unsigned() && id.get<uint64_t>() < 1000000000 ? id.get<int>() : 0;
}

// The streams hold a server thread each; the phones hold two at most.
bool TakeStream(ConsoleServer::State& state, Response& response) {
  if (++state.phoneStreams <= ConsoleServer::State::kMaxPhoneStreams) return true;
  --state.phoneStreams;
  Refuse(response, 503, "too many phone streams");
  return false;
}

void PostConnect(ConsoleServer::State& state, const Request& request, Response& response) {
  ConsolePhones* phones = state.host.phones;
  auto outcome = std::make_shared<std::pair<int, std::string>>(0, "");
  if (!RunOnMain(state, response, [phones, session = SessionOf(state, request), outcome] {
        outcome->first = phones->Connect(session, outcome->second);
      }))
    return;
  if (outcome->first == 0) return Refuse(response, 409, outcome->second);
  Answer(response, {{"id", outcome->first}});
}

// Hang-up and keys; `key` is 0 for a hang-up.
void PostCall(ConsoleServer::State& state, const Request& request, Response& response, bool key) {
  const json body = json::parse(request.body, nullptr, false);
  const int id = IdOf(body);
  const json keyField = key && body.is_object() ? body.value("key", json()) : json();
  const std::string keyText = keyField.is_string() ? keyField.get<std::string>() : "";
  if (id == 0)
    return Refuse(response, 400, key ? "expected {\"id\": N, \"key\": \"1\"}" : "expected {\"id\": N}");
  if (key && (keyText.size() != 1 || std::string_view(kKeys).find(keyText[0]) == std::string_view::npos))
    return Refuse(response, 400, "the key must be one of 0-9, * and #");
  ConsolePhones* phones = state.host.phones;
  const std::string session = SessionOf(state, request);
  const char pressed = key ? keyText[0] : 0;
  if (!ChangeOnMain(state, [phones, session, id, pressed] {
        return pressed ? phones->PressKey(id, session, pressed) : phones->HangUp(id, session);
      }))
    return Refuse(response, 409, kNoPhone);
  Answer(response, json::object());
}

std::optional<ConsolePhones::Phone> PhoneOf(ConsoleServer::State& state, const Request& request,
                                            Response& response) {
  std::optional<ConsolePhones::Phone> phone =
      state.host.phones->Find(IdOf(request.get_param_value("id")), SessionOf(state, request));
  if (!phone) Refuse(response, 404, kNoPhone);
  return phone;
}

void PostMic(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<ConsolePhones::Phone> phone = PhoneOf(state, request, response);
  if (!phone) return;
  phone->link->Heard(request.body);
  Answer(response, json::object());
}

// 8 kHz 16-bit mono little-endian PCM, as it sounds, until the call ends.
void GetAudio(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<ConsolePhones::Phone> phone = PhoneOf(state, request, response);
  if (!phone || !TakeStream(state, response)) return;
  const std::shared_ptr<LWaveNetworkLink> link = phone->link;
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider(
      "application/octet-stream",
      [&state, link](size_t, httplib::DataSink& sink) {
        const std::string bytes = link->TakePlayed(kAudioWaitMs);
        if (!bytes.empty()) return sink.write(bytes.data(), bytes.size());
        if (link->Closed() || state.stopping) sink.done();
        return true;
      },
      [&state, link](bool) {
        link->Close();  // the page went away, or the call ended
        --state.phoneStreams;
      });
}

std::string Event(const char* name, const json& data) {
  return std::string("event: ") + name + "\ndata: " + console_data::Dump(data) + "\n\n";
}

// What the call's log gained since last time.
struct LogFeed {
  explicit LogFeed(ConsolePhones::Phone called) : phone(std::move(called)) {}

  ConsolePhones::Phone phone;
  size_t shown = 0;
  bool started = false;

  std::string NewLines() {
    const std::string text = ReadFileText(phone.callFile, kMaxCallFile).value_or("");
    if (text.size() <= shown) return "";
    const std::string added = text.substr(shown);
    shown = text.size();
    return Event("log", {{"text", added}});
  }
};

// "state" {connected} first and last, "log" {text} as the call goes.
void GetEvents(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<ConsolePhones::Phone> phone = PhoneOf(state, request, response);
  if (!phone || !TakeStream(state, response)) return;
  auto feed = std::make_shared<LogFeed>(*phone);
  response.set_header("Cache-Control", "no-store");
  response.set_chunked_content_provider(
      "text/event-stream",
      [&state, feed](size_t, httplib::DataSink& sink) {
        if (!std::exchange(feed->started, true)) {
          const std::string first = Event("state", {{"connected", true}});
          return sink.write(first.data(), first.size());
        }
        for (int poll = 0; poll < kKeepAlivePolls && !state.stopping; ++poll) {
          // Ended first, so the last lines are read after the call wrote them.
          const bool ended = feed->phone.link->Closed();
          std::string events = feed->NewLines();
          if (ended) events += Event("state", {{"connected", false}});
          if (!events.empty() && !sink.write(events.data(), events.size())) return false;
          if (ended) sink.done();
          if (ended || !events.empty()) return true;
          std::this_thread::sleep_for(kLogPoll);
        }
        return !state.stopping && sink.write(": still here\n\n", 14);
      },
      [&state](bool) { --state.phoneStreams; });
}

}  // namespace

void AddPhoneRoutes(ConsoleServer::State& state) {
  if (!state.host.phones) return;
  httplib::Server& http = state.http;
  http.Post("/api/phone/connect", [&state](const Request& q, Response& r) { PostConnect(state, q, r); });
  http.Post("/api/phone/hangup", [&state](const Request& q, Response& r) { PostCall(state, q, r, false); });
  http.Post("/api/phone/key", [&state](const Request& q, Response& r) { PostCall(state, q, r, true); });
  http.Post("/api/phone/mic", [&state](const Request& q, Response& r) { PostMic(state, q, r); });
  state.bodyLimits["/api/phone/mic"] = kMaxMicBytes;
  http.Get("/api/phone/audio", [&state](const Request& q, Response& r) { GetAudio(state, q, r); });
  http.Get("/api/phone/events", [&state](const Request& q, Response& r) { GetEvents(state, q, r); });
}

}  // namespace console_server
