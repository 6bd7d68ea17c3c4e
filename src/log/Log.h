#pragma once

// Logging: the daily system and call logs, the most recent call file of each
// line and the status display that mirrors the system log.
#include "log/LogCall.h"
#include "log/LogFile.h"
#include "log/LogFolder.h"
#include "log/StatusDisplay.h"
