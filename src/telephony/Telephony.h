#pragma once

// The telephony subsystem's public face: the line as the call controller
// sees it and the notifications it delivers.
#include "telephony/line/LLineBase.h"
#include "telephony/line/LLineNotify.h"
