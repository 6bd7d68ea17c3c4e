#include "ui/ConsoleSelection.h"

#include "core/CaseInsensitivePath.h"
#include "mail/LMailBox.h"
#include "mail/MailFiles.h"
#include "ui/ConsoleName.h"
#include "ui/ConsoleRequest.h"

namespace console_server {
namespace {

// "" for an id the check refuses.
std::string MessageRecordPath(const std::string& mailBoxPath, const std::string& id) {
  return RequestNameProblem(id).empty() ? LMailBox::MessagePath(mailBoxPath, id) : std::string();
}

}  // namespace

std::string RequestedMailBox(const DataFolders& folders, const std::string& name,
                             httplib::Response& response) {
  if (std::string problem = RequestNameProblem(name); !problem.empty()) {
    Refuse(response, 400, "the mailbox name " + problem);
    return "";
  }
  const std::string path = LMailBox::MailBoxPath(folders.MailBoxes(), name);
  if (path.empty()) {
    Refuse(response, 400, "the mailbox name is too long");
    return "";
  }
  if (!ExistsIgnoringCase(path)) {
    Refuse(response, 404, "no such mailbox");
    return "";
  }
  return path;
}

std::string RequestedMessage(const std::string& mailBoxPath, const std::string& id,
                             httplib::Response& response) {
  const std::string record = MessageRecordPath(mailBoxPath, id);
  if (record.empty()) {
    Refuse(response, 400, "the message id is refused");
    return "";
  }
  if (!ExistsIgnoringCase(record)) {
    Refuse(response, 404, "no such message");
    return "";
  }
  return ResolveCaseInsensitive(record);
}

std::optional<Selection> RequestedSelection(const DataFolders& folders, const std::string& body,
                                            httplib::Response& response) {
  const std::optional<std::string> mailBox = console_request::StringField(body, "mailbox");
  const std::optional<std::vector<std::string>> ids = console_request::TextListMember(body, "ids");
  if (!mailBox || !ids) {
    Refuse(response, 400, "expected {\"mailbox\": name, \"ids\": [id, ...]}");
    return std::nullopt;
  }
  Selection selection{RequestedMailBox(folders, *mailBox, response), {}};
  if (selection.mailBoxPath.empty()) return std::nullopt;
  for (const std::string& id : *ids) {
    const std::string record = MessageRecordPath(selection.mailBoxPath, id);
    if (record.empty()) {
      Refuse(response, 400, "the message id is refused");
      return std::nullopt;
    }
    if (ExistsIgnoringCase(record)) selection.records.push_back(ResolveCaseInsensitive(record));
  }
  return selection;
}

}  // namespace console_server
