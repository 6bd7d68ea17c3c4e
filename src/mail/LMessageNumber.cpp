#include "mail/LMessageNumber.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/CaseInsensitivePath.h"
#include "core/IniStore.h"
#include "core/Path.h"
#include "core/ProfileValues.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "mail/LMailBox.h"

namespace {

enum class Create { kCreated, kTaken, kFailed };

// A number is taken when its record or audio exists in any case. One look
// through the folder answers for both: with thousands of messages kept, the
// listing is what a new message costs.
Create CreateRecord(const std::string& record) {
  if (FolderHoldsIgnoringCase(PathFolder(record), {PathFileName(record),
                                                   PathFileName(LMailBox::NewAudioPath(record))})) {
    return Create::kTaken;
  }
  UniqueFd fd(::open(record.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.Valid()) return Create::kCreated;
  if (errno == EEXIST) return Create::kTaken;
  Trace("LMessageNumber::Take cannot create \"%s\": %s", record.c_str(), std::strerror(errno));
  return Create::kFailed;
}

}  // namespace

int LMessageNumber::After(int number) {
  int inRange = number % kNumbers;
  if (inRange < 0) inRange += kNumbers;
  return (inRange + 1) % kNumbers;
}

std::string LMessageNumber::Format(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%.6d", number);
  return text;
}

std::string LMessageNumber::Take(const std::string& settingsFile, const std::string& mailBoxPath) {
  if (mailBoxPath.empty()) return {};
  std::string record;
  bool taken = IniUpdate(settingsFile, [&](IniFile& settings) {
    std::optional<std::string_view> stored = settings.Find(kSection, kKey);
    int number = stored ? ParseLeadingInt(*stored) : 0;
    for (int tries = 0; tries < kNumbers; ++tries) {
      number = After(number);
      std::string candidate = LMailBox::MessagePath(mailBoxPath, Format(number));
      Create created = CreateRecord(candidate);
      if (created == Create::kFailed) return false;
      if (created == Create::kCreated) {
        record = candidate;
        return settings.Set(kSection, kKey, FormatInt(number));
      }
    }
    Trace("LMessageNumber::Take found no free number for \"%s\"", mailBoxPath.c_str());
    return false;
  });
  if (taken) return record;
  if (!record.empty()) ::unlink(record.c_str());
  return {};
}
