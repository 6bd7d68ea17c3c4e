#pragma once

#include <string>
#include <vector>

#include "audio/LProgressProcess.h"
#include "ivrfile/IvrSaveDescription.h"
#include "ivrfile/LIVRLoad.h"

class DataFolders;
class LProgress;

// The program file commands around the load and save jobs, with the
// settings they keep ([settings] "ivrfile", "ivrfiledir", "ivrmodified",
// "notespopup"). Questions to the user are the caller's: these only act.

// "notes.txt" in the data root, in its stored spelling.
std::string IvrNotesPath(const DataFolders& folders);

// Whether the OGMs changed since the last load or save; a load that is not
// quiet asks before it replaces them.
bool IvrProgramModified(const DataFolders& folders);

struct IvrLoadOutcome {
  ProcessResult result = kProcessFailed;
  // Texts for the user, in order (see IvrLoadReport).
  std::vector<std::string> messages;
  // The file asked for its notes ("notes.txt") to be shown, and the load
  // was not quiet.
  bool showNotes = false;
};

// WM_LOADIVRFILEQUIET's wParam when the owner's command sends it; the
// update check sends 0.
inline constexpr int64_t kIvrQuietLoadByOwner = 1;

// Runs LIVRLoad and, when it succeeded, remembers the file as the current
// program and clears "ivrmodified". What the engine runs on a worker for a program file handed
// over by a second copy (quiet off) or fetched by the delivery task (quiet
// on, origin kUpdate); the lines are rebuilt afterwards.
IvrLoadOutcome LoadIvrProgram(const DataFolders& folders, const std::string& path, bool quiet,
                              LProgress& progress, IvrLoadOrigin origin = IvrLoadOrigin::kOwner);

// Runs LIVRSave into `description.filename` and, on success, remembers that
// file as the current program and clears "ivrmodified". `error` receives
// the text for the user, if any.
ProcessResult SaveIvrProgram(const DataFolders& folders, IvrSaveDescription description,
                             LProgress& progress, std::string& error);

// What a successful save leaves behind: `path` is the current program and
// "ivrmodified" is cleared. For callers that run LIVRSave themselves.
void IvrProgramSaved(const DataFolders& folders, const std::string& path);

// A new, empty program: every file of the OGMs folder is deleted (names
// beginning with "." excepted), "ivrmodified" and "ivrfile" are removed and
// "notes.txt" is deleted. The lines are rebuilt afterwards.
void NewIvrProgram(const DataFolders& folders);
