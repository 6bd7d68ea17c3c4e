#pragma once

#include <nlohmann/json.hpp>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "core/DataFolders.h"
#include "core/EngineStatus.h"

// The JSON the console's read-only endpoints answer with. Lists are read
// from the data folder as they are now; nothing is kept between requests.
namespace console_data {

// The text of a JSON answer. Names and texts from files need not be UTF-8:
// they are read as the Windows code page where they are not (AsUtf8).
std::string Dump(const nlohmann::json& value);

// What the main window shows apart from the lists.
std::string StatusJson(const EngineStatus::Snapshot& status);
// What office hours do to calls at `now`: null when they are off, else
// {"open", "mode", "ogm", "rings"} as the calls see them.
std::string HoursJson(const std::string& settingsFile, std::time_t now);
// The long job running now: {"title", "step", "fraction"}, title "" when none.
std::string ProgressJson(const EngineStatus::Snapshot& status);
// {"selected": [settings] "mbx", "mailboxes": [names...], "unread": {name:
// count, for mailboxes with unread messages}, "proposal": the name a new
// mailbox is offered}.
std::string MailBoxesJson(const DataFolders& folders);
// {"mailbox", "messages": [rows]} of the mailbox file `mailBoxPath` (already
// checked), each row with its delivery state. The text goes to `out` in
// pieces of about 64 KB as the records are read, so a mailbox of thousands
// is never held whole; false from `out` ends the walk, and the result.
bool WriteMessagesJson(const std::string& mailBoxPath, const std::function<bool(std::string_view)>& out);

// {"mailbox", "id", "row"} for a message row event; "row" is null when the
// record is gone.
std::string MessageEventJson(const std::string& record);

}  // namespace console_data
