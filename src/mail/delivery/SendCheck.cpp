#include "mail/delivery/SendCheck.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "audio/LProgress.h"
#include "core/DataFolders.h"
#include "core/MainMessages.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/LMailBoxSettings.h"
#include "mail/LMessageNumber.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/DeliveryState.h"
#include "mail/delivery/EmailDelivery.h"
#include "mail/delivery/FolderDelivery.h"
#include "mail/delivery/FtpDelivery.h"

namespace {

constexpr std::array<const char*, 3> kSentFlags = {"sentemail", "sentftp", "senttofolder"};

// The mailbox's records, oldest first. Numbers are given out in turn and
// wrap, so the oldest message has the first number after the last one given out.
std::vector<std::string> OldestFirst(const std::string& settingsFile, const std::string& mailBoxPath) {
  const int next = LMessageNumber::After(
      ProfileReadInt(settingsFile, LMessageNumber::kSection, LMessageNumber::kKey, 0));
  std::vector<std::pair<int, std::string>> records;
  for (LMailBoxMessageIterator it(mailBoxPath); it.IsValid(); it.Next()) {
    std::string record = it.GetMailBoxMessage();
    const int number = ParseLeadingInt(LMailBox::MessageId(record));
    constexpr int kNumbers = LMessageNumber::kNumbers;
    const int age = ((number - next) % kNumbers + kNumbers) % kNumbers;
    records.emplace_back(age, std::move(record));
  }
  std::sort(records.begin(), records.end());
  std::vector<std::string> paths;
  for (auto& record : records) paths.push_back(std::move(record.second));
  return paths;
}

}  // namespace

struct SendCheck::MailBoxRound {
  std::string path;
  std::array<bool, kMethods> enabled{};
  // The first failure of each method in this round, "" while none.
  std::array<std::string, kMethods> failure{};
  bool anythingLeft = false;
};

bool SendCheck::Run() {
  for (LMailBoxIterator boxes(context_.folders.MailBoxes()); boxes.IsValid(); boxes.Next()) {
    if (context_.progress.IsCancelled()) break;
    MailBox(boxes.GetMailBox());
  }
  return failed_;
}

void SendCheck::MailBox(const std::string& mailBoxPath) {
  if (!ProfileReadBool(mailBoxPath, LMailBox::kSection, "unsentmessages", false)) return;
  const LMailBoxSettings box = LMailBoxSettings::Read(mailBoxPath);
  MailBoxRound round{mailBoxPath, {box.sendEmail, box.sendFtp, box.sendToFolder}};
  if (!box.sendEmail && !box.sendFtp && !box.sendToFolder) {
    ProfileWriteBool(mailBoxPath, LMailBox::kSection, "unsentmessages", false);
    return;
  }
  for (const std::string& record : OldestFirst(context_.folders.SettingsFile(), mailBoxPath)) {
    if (context_.progress.IsCancelled()) return;
    Message(round, record);
  }
  if (!round.anythingLeft && !context_.progress.IsCancelled())
    ProfileWriteBool(mailBoxPath, LMailBox::kSection, "unsentmessages", false);
}

void SendCheck::Message(MailBoxRound& round, const std::string& recordPath) {
  std::string error;
  bool left = false;
  for (int method = 0; method < kMethods; ++method) {
    if (!round.enabled[method] ||
        ProfileReadBool(recordPath, LMailBoxMessage::kSection, kSentFlags[method], false))
      continue;
    if (!round.failure[method].empty()) {
      left = true;
      error = round.failure[method];
      continue;
    }
    const DeliveryResult result = Deliver(static_cast<Method>(method), round.path, recordPath);
    if (result.deleted) return;
    if (result.done) {
      LMailBoxMessage::SetFlag(recordPath, kSentFlags[method], true);
      continue;
    }
    left = true;
    if (result.error.empty()) continue;  // stopped
    error = round.failure[method] = result.error;
  }
  round.anythingLeft = round.anythingLeft || left;
  if (!error.empty()) DeliveryState::Failed(recordPath, error, now_, now_ + retrySeconds_);
  failed_ = failed_ || !error.empty();
  if (!left) DeliveryState::Delivered(recordPath);
  // The console shows on the message's row how its delivery goes.
  if ((!error.empty() || !left) && context_.notify) context_.notify({WM_UPDATEREADMARK, 0, 0, recordPath});
}

bool SendCheck::Undelivered(const std::string& recordPath) {
  const LMailBoxSettings box = LMailBoxSettings::Read(
      LMailBox::MailBoxPath(PathFolder(recordPath), LMailBox::MailBoxNameOfMessage(recordPath)));
  const std::array<bool, kMethods> enabled{box.sendEmail, box.sendFtp, box.sendToFolder};
  for (int method = 0; method < kMethods; ++method) {
    if (enabled[method] && !ProfileReadBool(recordPath, LMailBoxMessage::kSection, kSentFlags[method], false))
      return true;
  }
  return false;
}

DeliveryResult SendCheck::Deliver(Method method, const std::string& mailBoxPath,
                                  const std::string& recordPath) {
  if (method == kEmail) return SendEmail(context_, mailBoxPath, recordPath);
  if (method == kFtp) return SendFTP(context_, ftp_, mailBoxPath, recordPath);
  return SendToFolder(context_, mailBoxPath, recordPath);
}
