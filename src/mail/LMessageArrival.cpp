#include "mail/LMessageArrival.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "core/IniStore.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxSettings.h"
#include "mail/LMessageNumber.h"

namespace {

bool IsRecordFlag(std::string_view name) {
  if (EqualIgnoringCase(name, "compressed")) return true;
  const auto& flags = LMailBoxMessage::kOwnerFlags;
  return std::any_of(flags.begin(), flags.end(),
                     [&](std::string_view flag) { return EqualIgnoringCase(name, flag); });
}

}  // namespace

std::string LMessageArrival::Start(const std::string& settingsFile, const std::string& mailBoxPath,
                                   const Parameters& parameters, const std::string& cid,
                                   const std::string& callerName) {
  std::string record = LMessageNumber::Take(settingsFile, mailBoxPath);
  if (record.empty()) return {};
  bool written = IniUpdate(record, [&](IniFile& file) {
    std::string_view section = LMailBoxMessage::kSection;
    for (const auto& [name, value] : parameters) {
      if (IsRecordFlag(name)) continue;
      if (!file.Set(section, name, value)) {
        Trace("LMessageArrival::Start parameter \"%.64s\" cannot be stored", name.c_str());
      }
    }
    return file.Set(section, "mailboxname", LMailBox::MailBoxName(mailBoxPath)) &&
           file.Set(section, "cid", cid) && file.Set(section, "callername", callerName);
  });
  if (written) return record;
  ::unlink(record.c_str());
  return {};
}

LMessageArrival::Notice LMessageArrival::Arrived(const std::string& settingsFile,
                                                 const std::string& mailBoxPath) {
  LMailBoxSettings settings = LMailBoxSettings::Read(mailBoxPath);
  Notice notice;
  if (!settings.DeletedByEmail()) {
    ProfileWriteBool(settingsFile, "state", "newmessages", true);
    notice.newMessage = true;
    notice.beep = settings.beep;
  }
  LMailBox::MarkUnsent(mailBoxPath);
  return notice;
}
