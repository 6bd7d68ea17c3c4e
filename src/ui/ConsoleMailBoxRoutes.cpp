// The mailbox commands of the main window: select, new, rename and delete.
// The page asks the questions; the file operations are the store's and run
// on the engine's main loop.
#include <memory>

#include "core/Profile.h"
#include "core/TextCompare.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxSettings.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleSelection.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr const char* kNameTaken = "a mailbox of that name exists already";

// A typed name for a new or renamed mailbox, as it is kept (TypedName);
// nothing after refusing. A name is refused rather than changed, so the
// mailbox is called what its owner typed.
std::optional<std::string> TypedMailBoxName(const std::string& body, const char* key, Response& response) {
  const std::optional<std::string> typed = console_request::StringField(body, key);
  if (!typed) {
    Refuse(response, 400, std::string("expected the mailbox name as \"") + key + "\"");
    return std::nullopt;
  }
  std::string name = TypedName(*typed);
  if (std::string problem = MailBoxNameProblem(name); !problem.empty()) {
    Refuse(response, 400, problem);
    return std::nullopt;
  }
  return name;
}

std::string MailBoxOfBody(ConsoleServer::State& state, const Request& request, const char* key,
                          Response& response) {
  const std::optional<std::string> name = console_request::StringField(request.body, key);
  if (!name) {
    Refuse(response, 400, std::string("expected the mailbox name as \"") + key + "\"");
    return "";
  }
  return RequestedMailBox(state.host.folders, *name, response);
}

void PostSelect(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string path = MailBoxOfBody(state, request, "name", response);
  if (path.empty()) return;
  const std::string name = LMailBox::MailBoxName(path);
  if (!RunOnMain(state, response, [settings = state.host.folders.SettingsFile(), name] {
        ProfileWriteString(settings, "settings", "mbx", name);
      }))
    return;
  Answer(response, {{"name", name}});
}

// The mailbox file is made with every key at its default, as the properties
// dialog writes it, and becomes the selected mailbox.
void PostNew(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::optional<std::string> name = TypedMailBoxName(request.body, "name", response);
  if (!name) return;
  const DataFolders& folders = state.host.folders;
  const std::string path = LMailBox::MailBoxPath(folders.MailBoxes(), *name);
  if (path.empty()) return Refuse(response, 400, "the mailbox name is too long");
  auto made = std::make_shared<bool>(false);
  if (!RunOnMain(state, response, [settings = folders.SettingsFile(), path, name = *name, made] {
        if (ExistsIgnoringCase(path) || !LMailBoxSettings{}.Write(path)) return;
        ProfileWriteString(settings, "settings", "mbx", name);
        *made = true;
      }))
    return;
  if (!*made) return Refuse(response, 409, kNameTaken);
  Answer(response, {{"name", *name}});
}

void PostRename(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string from = MailBoxOfBody(state, request, "from", response);
  if (from.empty()) return;
  const std::optional<std::string> to = TypedMailBoxName(request.body, "to", response);
  if (!to) return;
  const DataFolders& folders = state.host.folders;
  const std::string oldName = LMailBox::MailBoxName(from);
  const std::string newPath = LMailBox::MailBoxPath(folders.MailBoxes(), *to);
  if (newPath.empty()) return Refuse(response, 400, "the mailbox name is too long");
  if (EqualIgnoringCase(oldName, *to)) return Refuse(response, 409, "the new name is the old one");
  enum class Outcome { kRenamed, kExists, kFailed };
  auto outcome = std::make_shared<Outcome>(Outcome::kFailed);
  if (!RunOnMain(state, response,
                 [box = folders.MailBoxes(), settings = folders.SettingsFile(), newPath, oldName, to = *to,
                  outcome] {
                   if (ExistsIgnoringCase(newPath)) {
                     *outcome = Outcome::kExists;
                   } else if (LMailBox::Rename(box, oldName, to)) {
                     ProfileWriteString(settings, "settings", "mbx", to);
                     *outcome = Outcome::kRenamed;
                   }
                 }))
    return;
  if (*outcome == Outcome::kExists) return Refuse(response, 409, kNameTaken);
  if (*outcome == Outcome::kFailed)
    return Refuse(response, 500, "the mailbox could not be renamed: some messages stayed in the old one");
  Answer(response, {{"name", *to}});
}

// The selection moves to the first mailbox left, so it never names a
// deleted one.
void PostMailBoxDelete(ConsoleServer::State& state, const Request& request, Response& response) {
  const std::string path = MailBoxOfBody(state, request, "name", response);
  if (path.empty()) return;
  const DataFolders& folders = state.host.folders;
  if (!RunOnMain(state, response, [path, box = folders.MailBoxes(), settings = folders.SettingsFile()] {
        LMailBox::Delete(path);
        const std::string selected = ProfileReadString(settings, "settings", "mbx", "Default");
        if (!EqualIgnoringCase(selected, LMailBox::MailBoxName(path))) return;
        LMailBoxIterator first(box);
        ProfileWriteString(settings, "settings", "mbx",
                           first.IsValid() ? LMailBox::MailBoxName(first.GetMailBox()) : "Default");
      }))
    return;
  Answer(response, {{"name", LMailBox::MailBoxName(path)}});
}

}  // namespace

void AddMailBoxRoutes(ConsoleServer::State& state) {
  httplib::Server& http = state.http;
  http.Post("/api/mailboxes/select", [&state](const Request& q, Response& r) { PostSelect(state, q, r); });
  http.Post("/api/mailboxes/new", [&state](const Request& q, Response& r) { PostNew(state, q, r); });
  http.Post("/api/mailboxes/rename", [&state](const Request& q, Response& r) { PostRename(state, q, r); });
  http.Post("/api/mailboxes/delete", [&state](const Request& q, Response& r) { PostMailBoxDelete(state, q, r); });
}

}  // namespace console_server
