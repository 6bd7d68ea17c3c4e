// The main window's e-mail command: each chosen message, converted to the
// delivery format once, goes out as the delivery task's e-mail would, but to
// the recipient the user gave. The E-mail settings' test message goes the
// same way. Both run on the request's own thread (they may take seconds),
// their progress shown through the engine's status, one e-mail at a time.
#include <atomic>
#include <memory>

#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "mail/LMailBox.h"
#include "mail/delivery/EmailDelivery.h"
#include "mail/delivery/MessageCompression.h"
#include "mail/smtp/EmailSender.h"
#include "mail/smtp/MailAddress.h"
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
  for (const std::string& piece : MailAddress::SplitList(to)) {
    if (piece.find_first_not_of(' ') != std::string::npos && !MailAddress::Parse(piece))
      return "this is not an e-mail address: " + piece;
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

// Holds the e-mail commands' busy mark, when it was free.
class BusyMark {
 public:
  explicit BusyMark(std::atomic<bool>& busy) : busy_(busy), held_(!busy.exchange(true)) {}
  ~BusyMark() {
    if (held_) busy_ = false;
  }
  BusyMark(const BusyMark&) = delete;
  BusyMark& operator=(const BusyMark&) = delete;
  bool Held() const { return held_; }

 private:
  std::atomic<bool>& busy_;
  const bool held_;
};

// The recipient of `request`; refuses and gives nothing when it has none.
std::optional<std::string> Recipient(const Request& request, Response& response) {
  const std::optional<std::string> to = console_request::StringField(request.body, "to");
  if (!to) {
    Refuse(response, 400, "expected the recipient as \"to\"");
  } else if (std::string problem = RecipientProblem(*to); !problem.empty()) {
    Refuse(response, 400, problem);
  } else {
    return to;
  }
  return std::nullopt;
}

void PostEmail(ConsoleServer::State& state, std::atomic<bool>& busy, const Request& request,
               Response& response) {
  const std::optional<Selection> selection = RequestedSelection(state.host.folders, request.body, response);
  if (!selection) return;
  const std::optional<std::string> to = Recipient(request, response);
  if (!to) return;
  const BusyMark sending(busy);
  if (!sending.Held()) return Refuse(response, 409, "another e-mail is being sent");

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

void PostTest(ConsoleServer::State& state, std::atomic<bool>& busy, const Request& request, Response& response) {
  const std::optional<std::string> to = Recipient(request, response);
  if (!to) return;
  const BusyMark sending(busy);
  if (!sending.Held()) return Refuse(response, 409, "another e-mail is being sent");
  const EmailSettings settings = EmailSettings::Read(state.host.folders.SettingsFile());
  ConsoleProgress mailing(state.host, "Email", state.stopping);
  const EmailSendResult sent = SendMail(settings, TestEmail(settings, *to), mailing);
  if (sent.result != kProcessDone)
    return Refuse(response, 502, sent.result == kProcessCancelled ? "the console was stopped" : sent.error);
  Answer(response, {{"sent", 1}});
}

}  // namespace

void AddEmailRoutes(ConsoleServer::State& state) {
  auto busy = std::make_shared<std::atomic<bool>>(false);
  state.http.Get("/api/email", [&state](const Request&, Response& r) { GetEmail(state, r); });
  state.http.Post("/api/messages/email",
                  [&state, busy](const Request& q, Response& r) { PostEmail(state, *busy, q, r); });
  state.http.Post("/api/email/test", [&state, busy](const Request& q, Response& r) { PostTest(state, *busy, q, r); });
}

}  // namespace console_server
