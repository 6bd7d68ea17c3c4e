#pragma once

// The IVR program files' public face: the ".ivr" format and its check, the
// load and save jobs, the save description, the commands around them (load,
// save, new program) and "zavotel ivr".
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrCommand.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrLoadReport.h"
#include "ivrfile/IvrProgram.h"
#include "ivrfile/IvrRecord.h"
#include "ivrfile/IvrSaveDescription.h"
#include "ivrfile/LIVRLoad.h"
#include "ivrfile/LIVRSave.h"
