// The message commands of the main window: play (the audio for the browser
// and the read mark), save as, delete and move. The files change on the
// engine's main loop; the engine then hears of each row through its
// main-window messages.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "core/FileIo.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/UniqueFd.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleAudio.h"
#include "ui/ConsoleFileSend.h"
#include "ui/ConsoleProgress.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleSelection.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

// The record a query "?mailbox=M&id=I" names; "" after refusing.
std::string QueriedMessage(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string mailBox =
      RequestedMailBox(state.host.folders, request.get_param_value("mailbox"), response);
  return mailBox.empty() ? "" : RequestedMessage(mailBox, request.get_param_value("id"), response);
}

// The record a body {"mailbox", "id"} names; "" after refusing.
std::string PostedMessage(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> mailBox = console_request::StringField(request.body, "mailbox");
  const std::optional<std::string> id = console_request::StringField(request.body, "id");
  if (!mailBox || !id) {
    Refuse(response, 400, "expected {\"mailbox\": name, \"id\": id}");
    return "";
  }
  const std::string path = RequestedMailBox(state.host.folders, *mailBox, response);
  return path.empty() ? "" : RequestedMessage(path, *id, response);
}

void GetAudio(ConsoleServer::State& state, ConsoleAudio& audio, const Request& request, Response& response) {
  const std::string record = QueriedMessage(state, request, response);
  if (record.empty()) return;
  const std::string path = LMailBox::AudioPath(record);
  if (!ExistsIgnoringCase(path)) return Refuse(response, 404, "the message has no audio");
  ConsoleProgress quiet(state.host, "", state.stopping);
  SendAudio(request, response, audio, path, quiet);
}

void GetDownload(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string record = QueriedMessage(state, request, response);
  if (record.empty()) return;
  response.set_header("Content-Disposition", AttachmentHeader(PathTitle(record) + ".wav"));
  response.set_header("Cache-Control", "no-store");
  if (!SendFile(request, response, LMailBox::AudioPath(record), kWaveMediaType)) {
    response.headers.erase("Content-Disposition");
    Refuse(response, 404, "the message has no audio");
  }
}

void Tell(ConsoleServer::State& state, uint32_t id, const std::string& record) {
  state.host.send(LMessage{id, 0, 0, record});
}

// Playback started: an unread message becomes read.
void PostRead(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string record = PostedMessage(state, request, response);
  if (record.empty()) return;
  auto marked = std::make_shared<bool>(false);
  if (!RunOnMain(state, response, [record, marked] {
        if (!ProfileReadBool(record, LMailBoxMessage::kSection, "read", false))
          *marked = LMailBoxMessage::SetFlag(record, "read", true);
      }))
    return;
  if (*marked) Tell(state, WM_UPDATEREADMARK, record);
  Tell(state, WM_MESSAGESSEEN, "");
  Answer(response, {{"read", true}});
}

void PostMessagesDelete(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<Selection> selection = RequestedSelection(state.host.folders, request.body, response);
  if (!selection) return;
  auto deleted = std::make_shared<std::vector<std::string>>();
  if (!RunOnMain(state, response, [records = selection->records, deleted] {
        for (const std::string& record : records) {
          if (!ExistsIgnoringCase(record)) continue;
          LMailBoxMessage::Delete(record);
          deleted->push_back(record);
        }
      }))
    return;
  for (const std::string& record : *deleted) Tell(state, WM_DELMESSAGE, record);
  Tell(state, WM_MESSAGESSEEN, "");
  Answer(response, {{"deleted", deleted->size()}});
}

// The moved messages are new to their mailbox, which may deliver or forward
// them: the background task and the scheduler hear of it.
void PostMove(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<Selection> selection = RequestedSelection(state.host.folders, request.body, response);
  if (!selection) return;
  const std::optional<std::string> to = console_request::StringField(request.body, "to");
  if (!to) return Refuse(response, 400, "expected the target mailbox as \"to\"");
  const std::string target = RequestedMailBox(state.host.folders, *to, response);
  if (target.empty()) return;
  if (EqualIgnoringCase(selection->mailBoxPath, target))
    return Refuse(response, 409, "the message is already in that mailbox");
  using Moves = std::vector<std::pair<std::string, std::string>>;
  auto moved = std::make_shared<Moves>();
  if (!RunOnMain(state, response, [selection = *selection, target, moved] {
        for (const std::string& record : selection.records) {
          std::string path = record;
          if (LMailBoxMessage::MoveMailBox(path, selection.mailBoxPath, target))
            moved->emplace_back(record, path);
        }
      }))
    return;
  for (const auto& [from, now] : *moved) {
    Tell(state, WM_DELMESSAGE, from);
    Tell(state, WM_UPDATEMESSAGE, now);
  }
  if (!moved->empty()) {
    Tell(state, WM_WAKEBGTASK, "");
    Tell(state, WM_RUNSCHEDULER, "");
  }
  Answer(response, {{"moved", moved->size()}});
}

}  // namespace

void AddMessageRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  auto audio = std::make_shared<ConsoleAudio>();
  http.Get("/api/messages/audio",
           [&state, audio](const Request& q, Response& r) { GetAudio(state, *audio, q, r); });
  http.Get("/api/messages/download", [&state](const Request& q, Response& r) { GetDownload(state, q, r); });
  http.Post("/api/messages/read", [&state](const Request& q, Response& r) { PostRead(state, q, r); });
  http.Post("/api/messages/delete", [&state](const Request& q, Response& r) { PostMessagesDelete(state, q, r); });
  http.Post("/api/messages/move", [&state](const Request& q, Response& r) { PostMove(state, q, r); });
}

}  // namespace console_server
