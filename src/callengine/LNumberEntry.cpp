#include "callengine/LNumberEntry.h"

#include "callengine/ParameterText.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/Trace.h"

namespace {

constexpr const char* kSection = "ivr";
constexpr std::size_t kMaxListFile = 32766;

}  // namespace

LNumberEntry::Result LNumberEntry::Press(char key, const std::string& ogmFile,
                                         const LHashTable& parms, const LCallIdentity& call) {
  Result result;
  result.pressStar = key == '*';
  Append(key);
  int maxDigits = ProfileReadInt(ogmFile, kSection, "maxdigits", 4);
  bool complete = key == '#' || digits_.size() == static_cast<std::size_t>(maxDigits);
  if (!complete) return result;
  if (!WithinLimits(ogmFile) || !ListAccepts(ogmFile, parms, call, result.refusedListFile)) {
    result.entry = Entry::kInvalid;
    return result;
  }
  result.entry = Entry::kAccepted;
  result.variable = StripPercent(ProfileReadString(ogmFile, kSection, "varname", "number"));
  result.digits = digits_;
  return result;
}

void LNumberEntry::Append(char key) {
  if (key >= '0' && key <= '9' && digits_.size() < kMaxDigits) digits_ += key;
}

bool LNumberEntry::WithinLimits(const std::string& ogmFile) const {
  if (!ProfileReadBool(ogmFile, kSection, "varlimit", false)) return true;
  int value = ParseLeadingInt(digits_);
  return value >= ProfileReadInt(ogmFile, kSection, "varlimitmin", 0) &&
         value <= ProfileReadInt(ogmFile, kSection, "varlimitmax", 10000);
}

bool LNumberEntry::ListAccepts(const std::string& ogmFile, const LHashTable& parms,
                               const LCallIdentity& call, std::string& refused) const {
  if (!ProfileReadBool(ogmFile, kSection, "varlimitlistenabled", false)) return true;
  bool exclude = ProfileReadBool(ogmFile, kSection, "varlimitlistexclude", false);
  std::optional<std::string> list;
  if (ProfileReadBool(ogmFile, kSection, "varlimitlistisfile", false)) {
    std::string name = ProfileReadString(ogmFile, kSection, "varlimitlistfile", "");
    ExpandParameters(name, parms, call);
    list = ReadListFile(name, refused);
    if (!list) return true;  // an unreadable list accepts every number
  } else {
    list = ProfileReadString(ogmFile, kSection, "varlimitlist", "");
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
