#include "ui/ConsoleImport.h"

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "audio/AudioImport.h"
#include "core/FileIo.h"
#include "ui/ConsoleProgress.h"

namespace console_server {
namespace {

// A file of ours that goes when the request ends.
struct RemovedAtEnd {
  std::string path;
  ~RemovedAtEnd() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

}  // namespace

ConsoleUpload::ConsoleUpload(const httplib::ContentReader& read) {
  written_ = file_.Valid();
  whole_ = read([this](const char* data, size_t length) {
    if (written_) written_ = WriteFully(file_.Fd(), std::string_view(data, length));
    return true;
  });
  file_.Close();
}

bool ConsoleUpload::Check(httplib::Response& response) const {
  if (!whole_) Refuse(response, 400, "the file did not arrive whole");
  else if (!written_) Refuse(response, 500, "the file could not be stored");
  return whole_ && written_;
}

// The input is read under an MP3 name: the import takes a file of that name
// as WAVE when it starts like one, else as MP3.
void ImportAudio(ConsoleServer::State& state, const std::string& input, const std::string& target,
                 httplib::Response& response) {
  std::error_code error;
  std::filesystem::rename(input, input + ".mp3", error);
  RemovedAtEnd named{error ? "" : input + ".mp3"};
  auto converted = std::make_shared<TempFile>();
  if (error || !converted->Valid()) return Refuse(response, 500, "the file could not be stored");
  ConsoleProgress progress(state.host, "Process Audio File", state.stopping);
  if (!LoadAudioFile(named.path, converted->Path(), progress, nullptr))
    return Refuse(response, 422, "the file is no WAVE or MP3 audio that can be read");
  auto moved = std::make_shared<bool>(false);
  const auto task = [converted, target, moved, level = state.host.level] {
    *moved = converted->MoveOver(target);
    if (*moved && level) level(target);
  };
  if (!RunOnMain(state, response, task)) return;
  if (!*moved) return Refuse(response, 500, "the audio could not be stored");
  Answer(response, {{"audio", true}});
}

}  // namespace console_server
