// The main window's e-mail command: each chosen message, converted to the
// delivery format once, goes out as the delivery task's e-mail would, but to
// the recipient the user gave. It runs on the request's own thread (it may
// take seconds), its progress shown through the engine's status.
#include <atomic>
#include <memory>

#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "mail/LMailBox.h"
#include "mail/delivery/EmailDelivery.h"
#include "mail/delivery/MessageCompression.h"
#include "mail/smtp/EmailSender.h"
#include "ui/ConsoleProgress.h"
#include "ui/ConsoleRequest.h"
#include "ui/ConsoleSelection.h"

namespace console_server {
namespace {

using httplib::Request;
using httplib::Response;

constexpr size_t kMaxRecipients = 1000;

// The recipient the command proposes: the user's own address.
void GetEmail(ConsoleServer::State& state, Response& response) {
  Answer(response, {{"to", ProfileReadString(state.host.folders.SettingsFile(), "email", "fromemail", "")}});
}

// Why `to` cannot be the recipient list; "" when it can. A line end would
// add headers of the caller's choosing.
std::string RecipientProblem(const std::string& to) {
  if (to.find_first_not_of(" ,") == std::string::npos) return "the e-mail needs a recipient";
  if (to.size() > kMaxRecipients) return "the recipient list is too long";
  for (unsigned char c : to) {
    if (c < 0x20 || c == 0x7f) return "the recipient holds a control character";
  }
  return "";
}

// One message: false, with the reason in `error`, when it was not sent.
bool EmailOne(ConsoleServer::State& state, const EmailSettings& settings, const std::string& record,
              const std::string& to, std::string& error) {
  const ConsoleHost& host = state.host;
  {
    ConsoleProgress compressing(host, "Compress Audio File", state.stopping);
    CompressMessage(host.folders, host.levelling, compressing, record);
  }
  EmailMessage message = MessageEmail(host.folders, settings, record, to, "");
  message.attachments.push_back(LMailBox::AudioPath(record));
  ConsoleProgress mailing(host, "Email", state.stopping);
  const EmailSendResult sent = SendMail(settings, message, mailing);
  if (sent.result == kProcessDone) return true;
  error = sent.result == kProcessCancelled ? "the console was stopped" : sent.error;
  return false;
}

void PostEmail(ConsoleServer::State& state, std::atomic<bool>& busy, const Request& request,
               Response& response) {
  const std::optional<Selection> selection = RequestedSelection(state.host.folders, request.body, response);
  if (!selection) return;
  const std::optional<std::string> to = console_request::TextMember(request.body, "to");
  if (!to) return Refuse(response, 400, "expected the recipient as \"to\"");
  if (std::string problem = RecipientProblem(*to); !problem.empty()) return Refuse(response, 400, problem);
  if (busy.exchange(true)) return Refuse(response, 409, "another e-mail is being sent");
  struct Idle {
    std::atomic<bool>& busy;
    ~Idle() { busy = false; }
  } idle{busy};

  state.host.send(LMessage{WM_MESSAGESSEEN, 0, 0, ""});
  const EmailSettings settings = EmailSettings::Read(state.host.folders.SettingsFile());
  size_t sent = 0;
  for (const std::string& record : selection->records) {
    std::string error;
    if (!EmailOne(state, settings, record, *to, error)) {
      const std::string before = sent > 0 ? " (" + std::to_string(sent) + " sent before it)" : "";
      return Refuse(response, 502, PathTitle(record) + ": " + error + before);
    }
    ++sent;
  }
  Answer(response, {{"sent", sent}});
}

}  // namespace

void AddEmailRoutes(ConsoleServer::State& state) {
  auto busy = std::make_shared<std::atomic<bool>>(false);
  state.http.Get("/api/email", [&state](const Request&, Response& r) { GetEmail(state, r); });
  state.http.Post("/api/messages/email",
                  [&state, busy](const Request& q, Response& r) { PostEmail(state, *busy, q, r); });
}

}  // namespace console_server
