#pragma once

// The call engine's public face: call parameters and their expansion, OGM
// validity, office hours and number entry.
#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/LNumberEntry.h"
#include "callengine/LOGMResolver.h"
#include "callengine/LOfficeHours.h"
#include "callengine/LocalDayTime.h"
#include "callengine/ParameterText.h"
