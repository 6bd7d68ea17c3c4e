// What an OGM plays, for its editor: its audio for the browser, a WAVE or
// MP3 file or spoken text imported as its audio, and a preview of its text
// spoken by a chosen voice that changes nothing.
#include <optional>

#include "core/TempFile.h"
#include "mail/MailFiles.h"
#include "ui/AudioTargetRoutes.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleSpeech.h"
#include "ui/OgmRequest.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

std::optional<AudioTarget> OgmAudio(const DataFolders& folders, const std::string& name, Response& response) {
  const std::optional<OgmRequest> ogm = OgmRequest::Of(folders, name, response);
  if (!ogm) return std::nullopt;
  return AudioTarget{ogm->wav, ExistsIgnoringCase(ogm->wav) ? ogm->wav : "", "the OGM has no audio",
                     ogm->exists ? "" : "save the OGM before giving it audio"};
}

void PostPreview(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<SpeechRequest> speech = SpeechRequest::Of(request.body, response);
  if (!speech) return;
  TempFile out;
  out.Close();
  if (!Speak(state, *speech, out.Path(), response)) return;
  response.set_header("Cache-Control", "no-store");
  if (!SendFile(request, response, out.Path(), "audio/wav")) Refuse(response, 500, "the text could not be spoken");
}

}  // namespace

void AddOgmAudioRoutes(ConsoleServer::State& state) {
  AddAudioTargetRoutes(state, "/api/ogm/audio", OgmAudio);
  state.http.Post("/api/ogm/preview", [&state](const Request& q, Response& r) { PostPreview(state, q, r); });
  state.bodyLimits["/api/ogm/preview"] = kMaxSpeechBody;
}

}  // namespace console_server
