#pragma once

// The core subsystem's public face: configuration store and data folders,
// worker threads and signals, the main loop and its clock, the command line.
#include "core/CaseInsensitivePath.h"
#include "core/CommandLine.h"
#include "core/DataFolders.h"
#include "core/FirstStartSettings.h"
#include "core/LClock.h"
#include "core/LMessage.h"
#include "core/LProcessListThread.h"
#include "core/LSignalObject.h"
#include "core/LThread.h"
#include "core/LTimerHandler.h"
#include "core/MainLoop.h"
#include "core/MainMessages.h"
#include "core/ManualClock.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/SystemClock.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "core/WriteFully.h"
