#include "ui/AudioTargetRoutes.h"

#include <memory>

#include "core/Profile.h"
#include "core/TempFile.h"
#include "ui/ConsoleAudio.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleImport.h"
#include "ui/ConsoleProgress.h"
#include "ui/ConsoleSpeech.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr size_t kMaxUploadBytes = 64 << 20;

// What one target path's routes share.
struct Routes {
  Routes(ConsoleServer::State& s, AudioTargetOf of) : state(s), targetOf(std::move(of)) {}

  ConsoleServer::State& state;
  AudioTargetOf targetOf;
  ConsoleAudio audio;

  std::optional<AudioTarget> Target(const Request& request, Response& response) const {
    return targetOf(state.host.folders, request.get_param_value("name"), response);
  }
  std::optional<AudioTarget> Writable(const Request& request, Response& response) const {
    std::optional<AudioTarget> target = Target(request, response);
    if (target && !target->refusal.empty()) {
      Refuse(response, 409, target->refusal);
      return std::nullopt;
    }
    return target;
  }

  void Play(const Request& request, Response& response) {
    const std::optional<AudioTarget> target = Target(request, response);
    if (!target) return;
    if (target->playable.empty()) return Refuse(response, 404, target->missing);
    ConsoleProgress quiet(state.host, "", state.stopping);
    SendAudio(request, response, audio, target->playable, quiet);
  }

  void Import(const Request& request, Response& response, const httplib::ContentReader& read) {
    const ConsoleUpload upload(read);
    const std::optional<AudioTarget> target = Writable(request, response);
    if (target && upload.Check(response)) ImportAudio(state, upload.Path(), target->file, response);
  }

  void Synthesize(const Request& request, Response& response) {
    const std::optional<AudioTarget> target = Writable(request, response);
    if (!target) return;
    const std::optional<SpeechRequest> speech = SpeechRequest::Of(request.body, response);
    if (!speech) return;
    if (speech->text.find_first_not_of(" \t\r\n") == std::string::npos)
      return Refuse(response, 400, "there is no text to speak");
    TempFile spoken;
    spoken.Close();
    if (!Speak(state, *speech, spoken.Path(), response)) return;
    const auto keep = [settings = state.host.folders.SettingsFile(), voice = speech->voice] {
      ProfileWriteInt(settings, "settings", "preferredspeaker", voice);
    };
    if (RunOnMain(state, response, keep)) ImportAudio(state, spoken.Path(), target->file, response);
  }
};

}  // namespace

void AddAudioTargetRoutes(ConsoleServer::State& state, const std::string& path, AudioTargetOf targetOf) {
  auto routes = std::make_shared<Routes>(state, std::move(targetOf));
  httplib::Server& http = state.http;
  http.Get(path, [routes](const Request& q, Response& r) { routes->Play(q, r); });
  http.Post(path, [routes](const Request& q, Response& r, const httplib::ContentReader& read) {
    routes->Import(q, r, read);
  });
  state.bodyLimits[path] = kMaxUploadBytes;
  http.Post(path + "/synthesize", [routes](const Request& q, Response& r) { routes->Synthesize(q, r); });
  state.bodyLimits[path + "/synthesize"] = kMaxSpeechBody;
}

}  // namespace console_server
