#pragma once

#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "core/DataFolders.h"
#include "ui/ConsoleServerState.h"

// What the mailbox and message routes share: the mailboxes and messages a
// request names, each checked before it meets the file system, and the
// answers. The helpers that return nothing or "" have refused the request.
namespace console_server {

// The file of the existing mailbox `name` (400 for a refused name, 404 for
// no such mailbox).
std::string RequestedMailBox(const DataFolders& folders, const std::string& name,
                             httplib::Response& response);

// The record of message `id` of that mailbox (400 for a refused id, 404 when
// it does not exist).
std::string RequestedMessage(const std::string& mailBoxPath, const std::string& id,
                             httplib::Response& response);

// The messages a body {"mailbox", "ids": [...]} names. Ids of messages that
// are gone meanwhile are left out; a refused id refuses the whole request.
struct Selection {
  std::string mailBoxPath;
  std::vector<std::string> records;
};
std::optional<Selection> RequestedSelection(const DataFolders& folders, const std::string& body,
                                            httplib::Response& response);

}  // namespace console_server
