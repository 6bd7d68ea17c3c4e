// A mailbox's greeting for the properties dialog: played (the system prompt
// "LeaveMessage" when there is none, as callers hear it), replaced by an
// imported, recorded or spoken one, and removed by "Restore default".
#include <optional>

#include "core/CaseInsensitivePath.h"
#include "core/Path.h"
#include "mail/LMailBox.h"
#include "mail/MailFiles.h"
#include "ui/AudioTargetRoutes.h"
#include "ui/ConsoleSelection.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr const char* kPath = "/api/mailbox/greeting";

std::optional<AudioTarget> Greeting(const DataFolders& folders, const std::string& name, Response& response) {
  const std::string mailBox = RequestedMailBox(folders, name, response);
  if (mailBox.empty()) return std::nullopt;
  AudioTarget target{LMailBox::GreetingPath(mailBox), "",
                     "the mailbox has no greeting and the system prompt LeaveMessage is missing", ""};
  const std::string prompt = ResolveCaseInsensitive(PathJoinExt(folders.SystemPrompts(), "LeaveMessage", ".wav"));
  if (ExistsIgnoringCase(target.file)) target.playable = target.file;
  else if (ExistsIgnoringCase(prompt)) target.playable = prompt;
  return target;
}

void GetState(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<AudioTarget> target = Greeting(state.host.folders, request.get_param_value("name"), response);
  if (target) Answer(response, {{"greeting", target->playable == target->file}});
}

void PostRestore(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<AudioTarget> target = Greeting(state.host.folders, request.get_param_value("name"), response);
  if (!target || !RunOnMain(state, response, [file = target->file] { RemoveIgnoringCase(file); })) return;
  if (ExistsIgnoringCase(target->file)) return Refuse(response, 500, "the greeting could not be deleted");
  Answer(response, {{"greeting", false}});
}

}  // namespace

void AddGreetingRoutes(ConsoleServer::State& state) {
  AddAudioTargetRoutes(state, kPath, Greeting);
  state.http.Get(std::string(kPath) + "/state", [&state](const Request& q, Response& r) { GetState(state, q, r); });
  state.http.Post(std::string(kPath) + "/restore",
                  [&state](const Request& q, Response& r) { PostRestore(state, q, r); });
}

}  // namespace console_server
