#include "ivrfile/IvrUpdateFilter.h"

#include <optional>
#include <vector>

#include "core/IniFile.h"
#include "core/ProfileValues.h"
#include "ivrfile/IvrFormat.h"

namespace ivr_update {

namespace {

constexpr std::string_view kIvr = "ivr";
constexpr std::string_view kMbx = "mbx";
// The most command lines an OGM runs.
constexpr int kMaxPrograms = 64;

constexpr std::string_view kMailBoxKeys[] = {
    "remoteaccess", "accesscode", "sendemail",    "emailaddress", "sendftp",   "ftpserver",
    "ftpuser",      "ftppass",    "ftpdir",       "sendtofolder", "sendfolder", "forwardtel",
    "forwardnumber",
};

bool IsOgm(uint8_t tag, std::string_view name) {
  return tag == kIvrTagOgmFile && IvrHasExtension(name, ".ini");
}

std::vector<std::string> GuardedKeys(uint8_t tag) {
  if (tag != kIvrTagOgmFile) return {std::begin(kMailBoxKeys), std::end(kMailBoxKeys)};
  std::vector<std::string> keys = {"run", "runcount", "runasplugin", "runcompleteskip"};
  for (int number = 1; number <= kMaxPrograms; ++number) keys.push_back("run" + std::to_string(number));
  return keys;
}

std::optional<std::string> Value(const IniFile &file, std::string_view section, const std::string &key) {
  const std::optional<std::string_view> found = file.Find(section, key);
  return found ? std::optional<std::string>(*found) : std::nullopt;
}

}  // namespace

bool HasGuardedKeys(uint8_t tag, std::string_view name) {
  return IsOgm(tag, name) || (tag == kIvrTagMailBoxFile && IvrHasExtension(name, ".mbx"));
}

std::string KeepGuardedKeys(uint8_t tag, std::string_view incoming, std::string_view current,
                            bool &changed) {
  const std::string_view section = tag == kIvrTagOgmFile ? kIvr : kMbx;
  IniFile result(incoming);
  const IniFile old(current);
  changed = false;
  for (const std::string &key : GuardedKeys(tag)) {
    const std::optional<std::string> wanted = Value(result, section, key);
    const std::optional<std::string> kept = Value(old, section, key);
    if (wanted == kept) continue;
    changed = true;
    result.DeleteKey(section, key);
    if (kept) result.Set(section, key, *kept);
  }
  return result.Text();
}

bool RunsPrograms(std::string_view ogmText) {
  const IniFile file(ogmText);
  const std::optional<std::string_view> run = file.Find(kIvr, "run");
  const std::optional<std::string_view> count = file.Find(kIvr, "runcount");
  return run && run->starts_with('t') && count && ParseLeadingInt(*count) > 0;
}

}  // namespace ivr_update
