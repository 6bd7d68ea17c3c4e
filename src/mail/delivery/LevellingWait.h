#pragma once
#include <string>

class LProcessListThread;
class LProgress;

// Waits while `audio` is still queued for levelling, so that what a delivery
// sends is the levelled sound; `step` names the waiting step in the trace.
// False when the task was stopped meanwhile. A null list never waits.
bool WaitUntilLevelled(const LProcessListThread* levelling, LProgress& progress,
                       const std::string& audio, const char* step);
