#pragma once

// The call engine's public face: the call controller, OGM definitions and
// files, the OGM commands and voice-mail dialogues, call parameters and their
// expansion, OGM validity, office hours, number entry and spoken numbers.
#include "callengine/CallDateTime.h"
#include "callengine/IVRCCommands.h"
#include "callengine/IVRCMain.h"
#include "callengine/IVRCMainWindow.h"
#include "callengine/IVRCServices.h"
#include "callengine/IVRCVoiceMail.h"
#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/LNumberEntry.h"
#include "callengine/LOGMDefinition.h"
#include "callengine/LOGMFiles.h"
#include "callengine/LOGMResolver.h"
#include "callengine/OGMAction.h"
#include "callengine/OGMCommands.h"
#include "callengine/ParameterText.h"
#include "callengine/SpokenNumbers.h"
#include "callengine/VoiceMailFlows.h"
