#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/CommandLine.h"
#include "core/DataFolders.h"

// Prepares the data folder every command works on: the folders, the
// first-start settings and the factory files are created where missing.
// Nullopt when the folder itself cannot be prepared; missing factory files
// (no speech voice, say) are reported and the command goes on. A settings
// file that cannot be read is set aside, said on stderr and added to
// `problems` when given.
std::optional<DataFolders> OpenDataFolders(const DataFolders& folders,
                                           std::vector<std::string>* problems = nullptr);

// "zavotel [--logon|--service] [FILE.ivr]": one engine per data folder. A
// copy that finds the engine running on its folder hands it its argument and
// exits; a log-on copy first gives a starting service 10 s; otherwise this
// copy takes the folder's instance lock, opens the control socket and runs
// the engine. Returns the process's exit status.
int RunEngineCommand(const CommandLine& line);
