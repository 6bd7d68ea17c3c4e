#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ivrfile/IvrSaveDescription.h"

// The body of POST /api/ivr/save: {"name": "FILE.ivr", "ogms": [...],
// "ogmDelete": bool, "mailboxes": [...], "mailboxDelete": bool,
// "mailboxGreetings": bool, "prompts": [...], "programs": [...],
// "settings": [{"section", "key", "value"}...], "notes": bool,
// "notesPopup": bool}; a choice left out keeps its default.
namespace console_request {

struct SaveRequest {
  std::string name;  // checked with program_folder::NameProblem
  IvrSaveDescription description;
};

// Every listed name passes RequestNameProblem (they become file patterns)
// and every setting can be stored; otherwise nullopt with the reason, for
// the user, in `problem`. `description.filename` is left to the caller.
std::optional<SaveRequest> ParseSaveRequest(std::string_view body, IvrSaveDescription defaults,
                                            std::string& problem);

}  // namespace console_request
