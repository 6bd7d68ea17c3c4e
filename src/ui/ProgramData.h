#pragma once

#include <string>

#include "core/DataFolders.h"
#include "ivrfile/IvrSaveDescription.h"

// The JSON of the OGM choice and the IVR program's endpoints, read from the
// data folder as it is now.
namespace console_data {

// {"selected": [settings] "ogm", "ogms": [titles of the OGMs, sorted]}.
std::string OgmsJson(const DataFolders& folders);
// {"file": the current program's file name, "modified": bool, "notes":
// bool (notes.txt exists), "showNotes": bool (a load asked for them)}.
std::string ProgramJson(const DataFolders& folders);
// The choices the console's save box opens with, which a save request
// leaves out: everything, as `zavotel ivr save` saves it, with the current
// program file and the program files chosen last.
IvrSaveDescription SaveStart(const DataFolders& folders);
// {"name": proposed file name, "choices": {SaveStart, keys as the save
// request's}, "available": {"ogms", "mailboxes", "prompts", "programs"},
// "leadsTo": {OGM: [the mailboxes here its actions in use leave messages in]}}.
std::string SaveOptionsJson(const DataFolders& folders);

}  // namespace console_data
