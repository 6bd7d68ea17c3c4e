// The owner's sounds: audio files an OGM plays by path (a "play" action, the
// file an OGM plays instead of its own audio, an announcement), kept in the
// data folder's "Sounds" folder. Listed with their paths, played, replaced
// through the audio widget (imported, recorded or spoken) and deleted.
#include <optional>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "ivrfile/IvrFolderFiles.h"
#include "mail/MailFiles.h"
#include "ui/AudioTargetRoutes.h"
#include "ui/ConsoleName.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

// A new name is a new sound.
std::optional<AudioTarget> Sound(const DataFolders& folders, const std::string& name, Response& response) {
  const std::string problem = name.empty() ? "is empty" : RequestNameProblem(name);
  if (!problem.empty()) {
    Refuse(response, 400, "the sound name " + problem);
    return std::nullopt;
  }
  const std::string file = ResolveCaseInsensitive(PathJoinExt(folders.Sounds(), name, ".wav"));
  return AudioTarget{file, ExistsIgnoringCase(file) ? file : "", "no such sound", ""};
}

void GetSounds(ConsoleServer::State& state, Response& response) {
  const std::string& folder = state.host.folders.Sounds();
  nlohmann::json sounds = nlohmann::json::array();
  for (const std::string& name : FolderTitles(folder, ".wav"))
    sounds.push_back({{"name", name}, {"path", PathJoinExt(folder, name, ".wav")}});
  Answer(response, {{"sounds", sounds}});
}

void PostDelete(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<AudioTarget> sound = Sound(state.host.folders, request.get_param_value("name"), response);
  if (!sound) return;
  if (sound->playable.empty()) return Refuse(response, 404, sound->missing);
  if (!RunOnMain(state, response, [file = sound->file] { RemoveIgnoringCase(file); })) return;
  if (ExistsIgnoringCase(sound->file)) return Refuse(response, 500, "the sound could not be deleted");
  Answer(response, nlohmann::json::object());
}

}  // namespace

void AddSoundRoutes(ConsoleServer::State& state) {
  AddAudioTargetRoutes(state, "/api/sound/audio", Sound);
  state.http.Get("/api/sounds", [&state](const Request&, Response& r) { GetSounds(state, r); });
  state.http.Post("/api/sound/delete", [&state](const Request& q, Response& r) { PostDelete(state, q, r); });
}

}  // namespace console_server
