#include "mail/delivery/SendCheck.h"

#include <array>

#include "audio/LProgress.h"
#include "core/DataFolders.h"
#include "core/MainMessages.h"
#include "core/Profile.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/LMailBoxSettings.h"
#include "mail/delivery/DeliveryContext.h"
#include "mail/delivery/DeliveryState.h"
#include "mail/delivery/EmailDelivery.h"
#include "mail/delivery/FolderDelivery.h"
#include "mail/delivery/FtpDelivery.h"

namespace {

constexpr std::array<const char*, 3> kSentFlags = {"sentemail", "sentftp", "senttofolder"};

}  // namespace

struct SendCheck::MailBoxRound {
  std::string path;
  std::array<bool, kMethods> enabled{};
  // The first failure of each method in this round, "" while none.
  std::array<std::string, kMethods> failure{};
  bool anythingLeft = false;
};

void SendCheck::Run() {
  for (LMailBoxIterator boxes(context_.folders.MailBoxes()); boxes.IsValid(); boxes.Next()) {
    if (context_.progress.IsCancelled()) return;
    MailBox(boxes.GetMailBox());
  }
}

void SendCheck::MailBox(const std::string& mailBoxPath) {
  if (!ProfileReadBool(mailBoxPath, LMailBox::kSection, "unsentmessages", false)) return;
  const LMailBoxSettings box = LMailBoxSettings::Read(mailBoxPath);
  MailBoxRound round{mailBoxPath, {box.sendEmail, box.sendFtp, box.sendToFolder}};
  if (!box.sendEmail && !box.sendFtp && !box.sendToFolder) {
    ProfileWriteBool(mailBoxPath, LMailBox::kSection, "unsentmessages", false);
    return;
  }
  for (LMailBoxMessageIterator records(mailBoxPath); records.IsValid(); records.Next()) {
    if (context_.progress.IsCancelled()) return;
    Message(round, records.GetMailBoxMessage());
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
  if (!error.empty()) DeliveryState::Failed(recordPath, error, now_, now_ + kRetrySeconds);
  if (!left) DeliveryState::Delivered(recordPath);
  // The console shows on the message's row how its delivery goes.
  if ((!error.empty() || !left) && context_.notify) context_.notify({WM_UPDATEREADMARK, 0, 0, recordPath});
}

DeliveryResult SendCheck::Deliver(Method method, const std::string& mailBoxPath,
                                  const std::string& recordPath) {
  if (method == kEmail) return SendEmail(context_, mailBoxPath, recordPath);
  if (method == kFtp) return SendFTP(context_, ftp_, mailBoxPath, recordPath);
  return SendToFolder(context_, mailBoxPath, recordPath);
}
