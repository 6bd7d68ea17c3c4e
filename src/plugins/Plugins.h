#pragma once

// The plug-in subsystem's public face: external programs started from OGMs,
// and plug-ins whose output becomes call parameters.
#include "plugins/Plugin.h"
#include "plugins/SplitCommandLine.h"
