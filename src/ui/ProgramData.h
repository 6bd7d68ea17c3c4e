#pragma once

#include <string>

#include "core/DataFolders.h"

// The JSON of the OGM choice and the IVR program's endpoints, read from the
// data folder as it is now.
namespace console_data {

// {"selected": [settings] "ogm", "ogms": [titles of the OGMs, sorted]}.
std::string OgmsJson(const DataFolders& folders);
// {"file": the current program's file name, "modified": bool, "notes":
// bool (notes.txt exists), "showNotes": bool (a load asked for them)}.
std::string ProgramJson(const DataFolders& folders);
// {"name": proposed file name, "choices": {the save wizard's first choices,
// keys as the save request's}, "available": {"ogms", "mailboxes",
// "prompts", "programs"}}.
std::string SaveOptionsJson(const DataFolders& folders);

}  // namespace console_data
