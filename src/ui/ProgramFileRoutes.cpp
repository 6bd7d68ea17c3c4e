// IVR program files through the console: an upload is kept in the
// uploaded-programs folder and loaded by the engine; a save is written there
// for download. The folder is the console's own (the engine never writes
// it), so files are written there from the HTTP threads; settings and the
// save description change on the main loop.
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <mutex>

#include "audio/LProgress.h"
#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/TempFile.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrProgram.h"
#include "ivrfile/LIVRSave.h"
#include "ui/ConsoleData.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleServerState.h"
#include "ui/ProgramData.h"
#include "ui/ProgramFolder.h"
#include "ui/ProgramRequest.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;


// A save stops when the server does, so it never holds up the engine's end.
class ServerProgress final : public LProgress {
 public:
  explicit ServerProgress(const std::atomic<bool>& stopping) : stopping_(stopping) {}
  void SetText(int, std::string_view) override {}
  void SetProgress(double) override {}
  bool IsCancelled() override { return stopping_; }

 private:
  const std::atomic<bool>& stopping_;
};

// One save at a time: two would write the same description and maybe file.
std::mutex saving;

// A refused upload is still read to its end, so the browser sending it
// gets the answer instead of a broken connection.
void Drain(const httplib::ContentReader& read) {
  read([](const char*, size_t) { return true; });
}

void PostLoad(ConsoleServer::State& state, const Request& request, Response& response,
              const httplib::ContentReader& read) {
  const std::string name = request.get_param_value("name");
  std::string problem = program_folder::NameProblem(name);
  const std::string path = problem.empty() ? program_folder::PathOf(state.host.folders, name) : "";
  if (problem.empty() && path.empty()) problem = "is too long";
  if (!problem.empty()) {
    Drain(read);
    return Refuse(response, 400, "the file name " + problem);
  }
  if (!state.host.status.Get().loadStep.empty()) {
    Drain(read);
    return Refuse(response, 409, program_folder::kLoadingText);
  }
  TempFile upload;
  bool written = upload.Valid();
  const bool whole = read([&](const char* data, size_t length) {
    if (written) written = WriteFully(upload.Fd(), std::string_view(data, length));
    return true;
  });
  if (!whole) return Refuse(response, 400, "the file did not arrive whole");
  // A file that cannot load is neither kept nor handed over: nothing changes.
  if (written) problem = IvrFileProblem(upload.Path());
  if (!problem.empty()) return Refuse(response, 400, "IVR program not loaded, nothing changed: " + problem);
  if (!written || !program_folder::Create(state.host.folders) || !upload.MoveOver(path))
    return Refuse(response, 500, "the file could not be stored");
  const std::optional<int64_t> result = state.host.send(LMessage{WM_CONSOLELOADIVRFILE, 0, 0, path});
  if (!result) return Refuse(response, 503, "the engine did not answer");
  if (*result != 0) return Refuse(response, 409, program_folder::kLoadingText);
  Answer(response, {{"loading", true}});
}

// The save dialog's choices are kept as it keeps them, then the file is
// written here, on the HTTP thread: it reads every file it carries.
void PostProgramSave(ConsoleServer::State& state, const Request& request, Response& response) {
  const DataFolders& folders = state.host.folders;
  std::string problem;
  std::optional<console_request::SaveRequest> save =
      console_request::ParseSaveRequest(request.body, console_data::SaveStart(folders), problem);
  if (!save) return Refuse(response, 400, problem);
  const std::string path = program_folder::PathOf(folders, save->name);
  if (path.empty()) return Refuse(response, 400, "the file name is too long");
  std::unique_lock<std::mutex> alone(saving, std::try_to_lock);
  if (!alone) return Refuse(response, 409, "another save is running");
  if (!state.host.status.Get().loadStep.empty())
    return Refuse(response, 409, program_folder::kLoadingText);
  if (!program_folder::Create(folders)) return Refuse(response, 500, "the folder for program files could not be made");
  save->description.filename = path;
  const std::string descriptionFile = PathJoin(folders.Root(), IvrSaveDescription::kFileName);
  if (!ChangeOnMain(state, [description = save->description, descriptionFile] { return description.Write(descriptionFile); }))
    return Refuse(response, 503, "the save choices could not be kept");
  LIVRSave job(folders, save->description);
  ServerProgress progress(state.stopping);
  if (job.Process(progress) != kProcessDone)
    return Refuse(response, 500, job.Error().empty() ? "the IVR program file was not saved" : job.Error());
  const DataFolders copy = folders;
  if (!ChangeOnMain(state, [copy, path] {
        IvrProgramSaved(copy, path);
        return true;
      }))
    return Refuse(response, 503, "the engine did not answer");
  Answer(response, {{"download", "/api/ivr/download?name=" + PercentEncode(PathFileName(path))}});
}

void GetDownload(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string name = request.get_param_value("name");
  if (std::string problem = program_folder::NameProblem(name); !problem.empty())
    return Refuse(response, 400, "the file name " + problem);
  const std::string path = program_folder::PathOf(state.host.folders, name);
  response.set_header("Content-Disposition", AttachmentHeader(PathFileName(path)));
  response.set_header("Cache-Control", "no-store");
  if (path.empty() || !SendFile(request, response, path, "application/octet-stream")) {
    response.headers.erase("Content-Disposition");
    Refuse(response, 404, "no such program file");
  }
}

}  // namespace

void AddProgramFileRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Post("/api/ivr/load", [&state](const Request& q, Response& r, const httplib::ContentReader& read) {
    PostLoad(state, q, r, read);
  });
  state.bodyLimits["/api/ivr/load"] = ConsoleServer::State::kMaxUploadBytes;
  http.Get("/api/ivr/save-options", [&state](const Request&, Response& r) {
    r.set_content(console_data::SaveOptionsJson(state.host.folders), kJsonType);
  });
  http.Post("/api/ivr/save", [&state](const Request& q, Response& r) { PostProgramSave(state, q, r); });
  http.Get("/api/ivr/download", [&state](const Request& q, Response& r) { GetDownload(state, q, r); });
}

}  // namespace console_server
