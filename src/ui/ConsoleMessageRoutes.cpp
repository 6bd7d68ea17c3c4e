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
#include "ui/ConsoleProgress.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleSelection.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr const char* kWave = "audio/wav";
constexpr size_t kSendPiece = 64 * 1024;

// The record a query "?mailbox=M&id=I" names; "" after refusing.
std::string QueriedMessage(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string mailBox =
      RequestedMailBox(state.host.folders, request.get_param_value("mailbox"), response);
  return mailBox.empty() ? "" : RequestedMessage(mailBox, request.get_param_value("id"), response);
}

// The record a body {"mailbox", "id"} names; "" after refusing.
std::string PostedMessage(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> mailBox = console_request::TextMember(request.body, "mailbox");
  const std::optional<std::string> id = console_request::TextMember(request.body, "id");
  if (!mailBox || !id) {
    Refuse(response, 400, "expected {\"mailbox\": name, \"id\": id}");
    return "";
  }
  const std::string path = RequestedMailBox(state.host.folders, *mailBox, response);
  return path.empty() ? "" : RequestedMessage(path, *id, response);
}

// The library answers a Range header itself (206 with the slice), but this
// version neither cuts a range at the end of the body nor refuses one that
// starts past it, and it numbers the parts of several ranges wrongly. So one
// range is fitted to the body here (416 when none of it is there) and several
// get the whole body, which HTTP allows. False after refusing.
bool FitRange(const Request& request, size_t size, Response& response) {
  // The request is the library's own, not a constant: its ranges are what it slices by.
  httplib::Ranges& ranges = const_cast<Request&>(request).ranges;
  if (ranges.size() != 1) {
    ranges.clear();
    return true;
  }
  const auto end = static_cast<ssize_t>(size);
  auto [first, last] = ranges[0];
  if (first < 0) {  // "-n": the last n bytes
    first = std::max<ssize_t>(0, end - last);
    last = end - 1;
  }
  if (last < 0 || last >= end) last = end - 1;
  if (first >= end || first > last) {
    ranges.clear();
    response.set_header("Content-Range", "bytes */" + std::to_string(size));
    Refuse(response, 416, "the range lies outside the audio");
    return false;
  }
  ranges[0] = {first, last};
  return true;
}

// The file as it is now, whole or the range asked for; false when it cannot
// be opened.
bool SendFile(const Request& request, Response& response, const std::string& path, const char* type) {
  auto fd = std::make_shared<UniqueFd>(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd->Valid() || ::fstat(fd->Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (!FitRange(request, static_cast<size_t>(info.st_size), response)) return true;
  response.set_content_provider(
      static_cast<size_t>(info.st_size), type, [fd](size_t offset, size_t length, httplib::DataSink& sink) {
        std::string piece(std::min(length, kSendPiece), '\0');
        const size_t read = ReadUpToAt(fd->Get(), piece.data(), piece.size(), static_cast<off_t>(offset));
        return read > 0 && sink.write(piece.data(), read);
      });
  return true;
}

void SendWave(const Request& request, Response& response, std::shared_ptr<const std::string> wave) {
  const size_t size = wave->size();
  if (!FitRange(request, size, response)) return;
  response.set_content_provider(size, kWave, [wave](size_t offset, size_t length, httplib::DataSink& sink) {
    return offset < wave->size() &&
           sink.write(wave->data() + offset, std::min(length, wave->size() - offset));
  });
}

void GetAudio(ConsoleServer::State& state, ConsoleAudio& audio, const Request& request, Response& response) {
  const std::string record = QueriedMessage(state, request, response);
  if (record.empty()) return;
  const std::string path = LMailBox::AudioPath(record);
  if (!ExistsIgnoringCase(path)) return Refuse(response, 404, "the message has no audio");
  ConsoleProgress quiet(state.host, "", state.stopping);
  ConsoleAudio::Playable playable = audio.Get(path, quiet);
  response.set_header("Cache-Control", "no-store");
  if (playable.asStored && SendFile(request, response, path, kWave)) return;
  if (!playable.wave)
    return Refuse(response, 422, playable.error.empty() ? "the audio cannot be read" : playable.error);
  SendWave(request, response, std::move(playable.wave));
}

// A file name for Content-Disposition: plain ASCII in quotes, with the
// exact name (UTF-8, percent-encoded) beside it.
std::string AttachmentOf(const std::string& name) {
  std::string plain;
  std::string encoded;
  for (unsigned char c : name) {
    const bool printable = c >= 0x20 && c < 0x7f;
    plain += printable && c != '"' && c != '\\' ? static_cast<char>(c) : '_';
    const bool unreserved = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            c == '.' || c == '-' || c == '_';
    if (unreserved) {
      encoded += static_cast<char>(c);
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      encoded += {'%', kHex[c >> 4], kHex[c & 0xF]};
    }
  }
  return "attachment; filename=\"" + plain + "\"; filename*=UTF-8''" + encoded;
}

void GetDownload(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string record = QueriedMessage(state, request, response);
  if (record.empty()) return;
  response.set_header("Content-Disposition", AttachmentOf(PathTitle(record) + ".wav"));
  response.set_header("Cache-Control", "no-store");
  if (!SendFile(request, response, LMailBox::AudioPath(record), kWave)) {
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
        const std::string_view section = LMailBoxMessage::kSection;
        if (ExistsIgnoringCase(record) && !ProfileReadBool(record, section, "read", false))
          *marked = ProfileWriteBool(record, section, "read", true);
      }))
    return;
  if (*marked) Tell(state, WM_UPDATEREADMARK, record);
  Tell(state, WM_MESSAGESSEEN, "");
  Answer(response, {{"read", true}});
}

void PostDelete(ConsoleServer::State& state, const Request& request, Response& response) {
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
  const std::optional<std::string> to = console_request::TextMember(request.body, "to");
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
  http.Post("/api/messages/delete", [&state](const Request& q, Response& r) { PostDelete(state, q, r); });
  http.Post("/api/messages/move", [&state](const Request& q, Response& r) { PostMove(state, q, r); });
}

}  // namespace console_server
