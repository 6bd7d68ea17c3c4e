#pragma once

#include <optional>

#include "core/CommandLine.h"
#include "core/DataFolders.h"

// Prepares the data folder every command works on: the folders, the
// first-start settings and the factory files are created where missing.
// Nullopt when the folder itself cannot be prepared; missing factory files
// (no speech voice, say) are reported and the command goes on.
std::optional<DataFolders> OpenDataFolders(const DataFolders& folders);

// "zavotel [--logon|--service] [FILE.ivr]": one engine per data folder. A
// copy that finds the engine running on its folder hands it its argument and
// exits; a log-on copy first gives a starting service 10 s; otherwise this
// copy takes the folder's instance lock, opens the control socket and runs
// the engine. Returns the process's exit status.
int RunEngineCommand(const CommandLine& line);
