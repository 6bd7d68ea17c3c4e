#include "ui/ConsoleSpeech.h"

#include <mutex>
#include <nlohmann/json.hpp>

#include "audio/LTTS.h"
#include "core/Profile.h"
#include "ui/ConsoleProgress.h"

namespace console_server {
namespace {

std::mutex speaking;

// The installed voices and the one [settings] "preferredspeaker" chooses,
// the first when it names none.
void GetVoices(ConsoleServer::State& state, httplib::Response& response) {
  nlohmann::json voices = nlohmann::json::array();
  for (int i = 0; i < TTSGetNumSpeakers(); ++i) voices.push_back(TTSGetDictSpeakerName(i));
  int preferred = ProfileReadInt(state.host.folders.SettingsFile(), "settings", "preferredspeaker", 0);
  if (preferred < 0 || preferred >= TTSGetNumSpeakers()) preferred = 0;
  Answer(response, {{"voices", voices}, {"preferred", preferred}});
}

}  // namespace

std::optional<SpeechRequest> SpeechRequest::Of(const std::string& text, httplib::Response& response) {
  const nlohmann::json body = nlohmann::json::parse(text, nullptr, false);
  if (!body.is_object() || !body.contains("text") || !body["text"].is_string() || !body.contains("voice") ||
      !body["voice"].is_number_integer()) {
    Refuse(response, 400, "expected {\"text\", \"voice\"}");
    return std::nullopt;
  }
  const int voice = body["voice"].get<int>();
  if (TTSGetNumSpeakers() == 0) {
    Refuse(response, 422, kNoSpeechEngineMessage);
    return std::nullopt;
  }
  if (voice < 0 || voice >= TTSGetNumSpeakers()) {
    Refuse(response, 400, "no such voice");
    return std::nullopt;
  }
  return SpeechRequest{body["text"].get<std::string>(), voice};
}

bool Speak(ConsoleServer::State& state, const SpeechRequest& speech, const std::string& path,
           httplib::Response& response) {
  std::unique_lock<std::mutex> hold(speaking, std::try_to_lock);
  if (!hold.owns_lock()) {
    Refuse(response, 409, "another text is being spoken; try again");
    return false;
  }
  LTTS job{speech.text, path, speech.voice, nullptr};
  ConsoleProgress progress(state.host, "", state.stopping);
  if (Process(job, progress) == kProcessDone) return true;
  Refuse(response, 500, "the text could not be spoken");
  return false;
}

void AddVoiceRoutes(ConsoleServer::State& state) {
  state.http.Get("/api/voices", [&state](const httplib::Request&, httplib::Response& r) { GetVoices(state, r); });
}

}  // namespace console_server
