// What an OGM plays, for its editor: its audio for the browser, a WAVE or
// MP3 file imported as its audio, and a preview of its text spoken by a
// chosen voice that changes nothing.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

#include "audio/AudioImport.h"
#include "audio/LTTS.h"
#include "core/FileIo.h"
#include "core/TempFile.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleAudio.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleProgress.h"
#include "ui/ConsoleServerState.h"
#include "ui/OgmRequest.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr size_t kMaxUploadBytes = 64 << 20;
// What the editor's synthesis takes.
constexpr size_t kMaxPreviewText = 8192;
constexpr size_t kMaxPreviewBody = 8 * kMaxPreviewText;

// A file of ours that goes when the request ends.
struct RemovedAtEnd {
  std::string path;
  ~RemovedAtEnd() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

// One synthesis at a time: each holds a server thread and a core.
std::mutex previewing;

void GetAudio(ConsoleServer::State& state, ConsoleAudio& audio, const Request& request, Response& response) {
  const std::optional<OgmRequest> ogm = OgmRequest::Of(state.host.folders, request.get_param_value("name"), response);
  if (!ogm) return;
  if (!ExistsIgnoringCase(ogm->wav)) return Refuse(response, 404, "the OGM has no audio");
  ConsoleProgress quiet(state.host, "", state.stopping);
  SendAudio(request, response, audio, ogm->wav, quiet);
}

// The upload is kept under an MP3 name: the import reads a file of that
// name as WAVE when it starts like one, else as MP3.
void PostAudio(ConsoleServer::State& state, const Request& request, Response& response,
               const httplib::ContentReader& read) {
  const std::optional<OgmRequest> ogm = OgmRequest::Of(state.host.folders, request.get_param_value("name"), response);
  TempFile upload;
  bool written = upload.Valid();
  const bool whole = read([&](const char* data, size_t length) {
    if (written) written = WriteFully(upload.Fd(), std::string_view(data, length));
    return true;
  });
  if (!ogm) return;
  if (!ogm->exists) return Refuse(response, 409, "save the OGM before giving it audio");
  if (!whole) return Refuse(response, 400, "the file did not arrive whole");
  RemovedAtEnd input{upload.Path() + ".mp3"};
  std::error_code error;
  std::filesystem::rename(upload.Path(), input.path, error);
  auto converted = std::make_shared<TempFile>();
  if (!written || error || !converted->Valid()) return Refuse(response, 500, "the file could not be stored");
  ConsoleProgress progress(state.host, "Import Audio", state.stopping);
  if (!LoadAudioFile(input.path, converted->Path(), progress, nullptr))
    return Refuse(response, 422, "the file is no WAVE or MP3 audio that can be read");
  auto moved = std::make_shared<bool>(false);
  if (!RunOnMain(state, response, [converted, wav = ogm->wav, moved] { *moved = converted->MoveOver(wav); })) return;
  if (!*moved) return Refuse(response, 500, "the audio could not be stored");
  Answer(response, {{"audio", true}});
}

void PostPreview(ConsoleServer::State& state, const Request& request, Response& response) {
  const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
  if (!body.is_object() || !body.contains("text") || !body["text"].is_string() || !body.contains("voice") ||
      !body["voice"].is_number_integer())
    return Refuse(response, 400, "expected {\"text\", \"voice\"}");
  const int voice = body["voice"].get<int>();
  if (TTSGetNumSpeakers() == 0) return Refuse(response, 422, "no voice is installed");
  if (voice < 0 || voice >= TTSGetNumSpeakers()) return Refuse(response, 400, "no such voice");
  std::unique_lock<std::mutex> hold(previewing, std::try_to_lock);
  if (!hold.owns_lock()) return Refuse(response, 409, "another preview is being spoken; try again");
  TempFile out;
  out.Close();
  LTTS job{body["text"].get<std::string>(), out.Path(), voice, nullptr};
  ConsoleProgress progress(state.host, "", state.stopping);
  if (Process(job, progress) != kProcessDone) return Refuse(response, 500, "the text could not be spoken");
  response.set_header("Cache-Control", "no-store");
  if (!SendFile(request, response, out.Path(), "audio/wav")) Refuse(response, 500, "the text could not be spoken");
}

}  // namespace

void AddOgmAudioRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  auto audio = std::make_shared<ConsoleAudio>();
  http.Get("/api/ogm/audio", [&state, audio](const Request& q, Response& r) { GetAudio(state, *audio, q, r); });
  http.Post("/api/ogm/audio", [&state](const Request& q, Response& r, const httplib::ContentReader& read) {
    PostAudio(state, q, r, read);
  });
  state.bodyLimits["/api/ogm/audio"] = kMaxUploadBytes;
  http.Post("/api/ogm/preview", [&state](const Request& q, Response& r) { PostPreview(state, q, r); });
  state.bodyLimits["/api/ogm/preview"] = kMaxPreviewBody;
}

}  // namespace console_server
