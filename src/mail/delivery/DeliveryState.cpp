#include "mail/delivery/DeliveryState.h"

#include "core/IniStore.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"

DeliveryState DeliveryState::Read(const std::string& recordPath) {
  DeliveryState state;
  state.lastError = ProfileReadString(recordPath, kSection, "lasterror", "");
  state.lastErrorTime = ProfileReadDate(recordPath, kSection, "lasterrortime", 0);
  state.nextRetry = ProfileReadDate(recordPath, kSection, "nextretry", 0);
  return state;
}

void DeliveryState::Failed(const std::string& recordPath, std::string_view error,
                           std::time_t now, std::time_t nextRetry) {
  // A message moved or deleted meanwhile keeps no stub record here.
  IniUpdateExisting(recordPath, [&](IniFile& file) {
    return file.Set(kSection, "lasterror", error) && file.Set(kSection, "lasterrortime", FormatDate(now)) &&
           file.Set(kSection, "nextretry", FormatDate(nextRetry));
  });
}

void DeliveryState::Delivered(const std::string& recordPath) {
  if (Read(recordPath).lastError.empty()) return;  // nothing to clear: leave the file alone
  IniUpdateExisting(recordPath, [](IniFile& file) {
    file.DeleteSection(kSection);
    return true;
  });
}
