#include "audio/LProgressLog.h"

#include "core/LSignalObject.h"
#include "log/LogFile.h"

void LProgressLog::SetText(int line, std::string_view text) {
  if (line == 0) log_.Log(text);
}

bool LProgressLog::IsCancelled() { return stop_.IsSet(); }
