#pragma once

// The telephony subsystem's public face: the line as the call controller
// sees it and the notifications it delivers.
#include "telephony/LLineBase.h"
#include "telephony/LLineNotify.h"
