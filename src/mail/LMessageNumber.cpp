#include "mail/LMessageNumber.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "core/IniStore.h"
#include "core/Path.h"
#include "core/ProfileValues.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "core/UniqueFd.h"
#include "mail/LFileSearch.h"
#include "mail/LMailBox.h"

namespace {

enum class Create { kCreated, kTaken, kFailed };
constexpr std::size_t kExtensionSize = 4;  // ".ini", ".wav"

// The ids of the mailbox's messages whose record or audio lies in its folder,
// in any case. One listing answers for every number tried, so taking a number
// reads the folder once however many messages it holds.
std::unordered_set<std::string> IdsInUse(const std::string& mailBoxPath) {
  const std::string prefix = PathTitle(mailBoxPath) + std::string(LMailBox::kMessageMark);
  std::unordered_set<std::string> ids;
  LFileSearch files(PathFolder(mailBoxPath),
                    [&](std::string_view name) { return MatchesWildcard(name, prefix, ""); });
  for (; files.IsValid(); files.Next()) {
    const std::string name = PathFileName(files.Path());
    if (name.size() < prefix.size() + kExtensionSize) continue;
    const std::string_view extension = std::string_view(name).substr(name.size() - kExtensionSize);
    if (EqualIgnoringCase(extension, ".ini") || EqualIgnoringCase(extension, ".wav")) {
      ids.insert(name.substr(prefix.size(), name.size() - prefix.size() - kExtensionSize));
    }
  }
  return ids;
}

Create CreateRecord(const std::string& record) {
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
    const std::unordered_set<std::string> inUse = IdsInUse(mailBoxPath);
    for (int tries = 0; tries < kNumbers; ++tries) {
      number = After(number);
      const std::string id = Format(number);
      if (inUse.count(id) != 0) continue;
      std::string candidate = LMailBox::MessagePath(mailBoxPath, id);
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
