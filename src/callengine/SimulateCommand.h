#pragma once

#include <string>
#include <vector>

class DataFolders;
class IVRCServices;

// zavotel simulate [--keys LIST] [--caller-audio IN.wav] [--hear OUT.wav]
//                  [--hangup-after SECONDS]
// One call on the data folder without a telephone; interactive on a
// terminal without script options. Returns the exit status.
int RunSimulateCommand(const std::vector<std::string> &arguments, const DataFolders &folders,
                       IVRCServices *services);
