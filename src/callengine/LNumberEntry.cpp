#include "callengine/LNumberEntry.h"

#include "callengine/OGMKeys.h"
#include "callengine/ParameterText.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/Trace.h"

namespace {

using namespace ogm_keys;

constexpr std::string_view kSection = kIvr;
constexpr std::size_t kMaxListFile = 32766;

}  // namespace

LNumberEntry::Result LNumberEntry::Press(char key, const std::string& ogmFile,
                                         const LHashTable& parms, const LCallIdentity& call) {
  Result result;
  result.pressStar = key == '*';
  Append(key);
  int maxDigits = ProfileReadInt(ogmFile, kSection, ogm_keys::kMaxDigits.key, ogm_keys::kMaxDigits.defaultValue);
  bool complete = key == '#' || digits_.size() == static_cast<std::size_t>(maxDigits);
  if (!complete) return result;
  if (!WithinLimits(ogmFile) || !ListAccepts(ogmFile, parms, call, result.refusedListFile)) {
    result.entry = Entry::kInvalid;
    return result;
  }
  result.entry = Entry::kAccepted;
  result.variable = StripPercent(ProfileReadString(ogmFile, kSection, kVarName.key, kVarName.defaultValue));
  result.digits = digits_;
  return result;
}

void LNumberEntry::Append(char key) {
  if (key >= '0' && key <= '9' && digits_.size() < kMaxDigits) digits_ += key;
}

bool LNumberEntry::WithinLimits(const std::string& ogmFile) const {
  if (!ProfileReadBool(ogmFile, kSection, kVarLimit.key, kVarLimit.defaultValue)) return true;
  int value = ParseLeadingInt(digits_);
  return value >= ProfileReadInt(ogmFile, kSection, kVarLimitMin.key, kVarLimitMin.defaultValue) &&
         value <= ProfileReadInt(ogmFile, kSection, kVarLimitMax.key, kVarLimitMax.defaultValue);
}

bool LNumberEntry::ListAccepts(const std::string& ogmFile, const LHashTable& parms,
                               const LCallIdentity& call, std::string& refused) const {
  if (!ProfileReadBool(ogmFile, kSection, kListEnabled.key, kListEnabled.defaultValue)) return true;
  bool exclude = ProfileReadBool(ogmFile, kSection, kListExclude.key, kListExclude.defaultValue);
  std::optional<std::string> list;
  if (ProfileReadBool(ogmFile, kSection, kListIsFile.key, kListIsFile.defaultValue)) {
    std::string name = ProfileReadString(ogmFile, kSection, kListFile.key, kListFile.defaultValue);
    ExpandPathParameters(name, parms, call);
    list = ReadListFile(name, refused);
    if (!list) return true;  // an unreadable list accepts every number
  } else {
    list = ProfileReadString(ogmFile, kSection, kList.key, kList.defaultValue);
  }
  return ListContains(*list, digits_) != exclude;
}

std::optional<std::string> LNumberEntry::ReadListFile(const std::string& name,
                                                      std::string& refused) const {
  bool absolute = !name.empty() && name.front() == '/';
  // A relative name must stay inside the data root.
  if (name.empty() || (!absolute && PathClimbsOut(name))) {
    Trace("LNumberEntry refused list file \"%s\"", name.c_str());
    if (!name.empty()) refused = name;
    return std::nullopt;
  }
  std::string path = ResolveCaseInsensitive(absolute ? name : PathJoin(dataRoot_, name));
  return ReadFileText(path, kMaxListFile);
}
