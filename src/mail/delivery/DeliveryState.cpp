#include "mail/delivery/DeliveryState.h"

#include "core/Profile.h"

DeliveryState DeliveryState::Read(const std::string& recordPath) {
  DeliveryState state;
  state.lastError = ProfileReadString(recordPath, kSection, "lasterror", "");
  state.lastErrorTime = ProfileReadDate(recordPath, kSection, "lasterrortime", 0);
  state.nextRetry = ProfileReadDate(recordPath, kSection, "nextretry", 0);
  return state;
}

void DeliveryState::Failed(const std::string& recordPath, std::string_view error,
                           std::time_t now, std::time_t nextRetry) {
  ProfileWriteString(recordPath, kSection, "lasterror", error);
  ProfileWriteDate(recordPath, kSection, "lasterrortime", now);
  ProfileWriteDate(recordPath, kSection, "nextretry", nextRetry);
}

void DeliveryState::Delivered(const std::string& recordPath) {
  if (Read(recordPath).lastError.empty()) return;  // nothing to clear: leave the file alone
  ProfileDeleteSection(recordPath, kSection);
}
