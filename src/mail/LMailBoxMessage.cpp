#include "mail/LMailBoxMessage.h"

#include "core/CaseInsensitivePath.h"
#include "core/FileLock.h"
#include "core/IniStore.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "mail/LMailBox.h"
#include "mail/LMessageNumber.h"
#include "mail/MailFiles.h"
#include "mail/delivery/DeliveryState.h"

namespace {

enum class Claim { kMoved, kTaken, kFailed };

// Moves `from` to `to` and the audio along with it, or neither.
Claim MovePair(const std::string& from, const std::string& to) {
  switch (MoveNoReplace(from, to)) {
    case MoveResult::kMoved:
      break;
    case MoveResult::kTargetExists:
      return Claim::kTaken;
    case MoveResult::kFailed:
      return Claim::kFailed;
  }
  std::string audio = LMailBox::AudioPath(from);
  if (!ExistsIgnoringCase(audio)) return Claim::kMoved;
  MoveResult audioMoved = MoveNoReplace(audio, PathReplaceExtension(to, ".wav"));
  if (audioMoved == MoveResult::kMoved) return Claim::kMoved;
  if (MoveNoReplace(to, from) != MoveResult::kMoved) {
    Trace("LMailBoxMessage::MoveMailBox left the record at \"%s\"", to.c_str());
    return Claim::kFailed;
  }
  return audioMoved == MoveResult::kTargetExists ? Claim::kTaken : Claim::kFailed;
}

}  // namespace

bool LMailBoxMessage::Delete(const std::string& recordPath) {
  if (recordPath.empty()) return true;
  RemoveIgnoringCase(LMailBox::AudioPath(recordPath));
  ProfileFlush(recordPath);
  RemoveIgnoringCase(recordPath);
  return true;
}

bool LMailBoxMessage::MoveMailBox(std::string& recordPath, const std::string& fromMailBox,
                                  const std::string& toMailBox) {
  if (EqualIgnoringCase(fromMailBox, toMailBox)) {
    Trace("LMailBoxMessage::MoveMailBox - file is the same");
    return false;
  }
  std::string recordName = PathFileName(recordPath);
  std::string fromName = LMailBox::MailBoxName(fromMailBox);
  if (recordName.size() <= fromName.size()) {
    Trace("LMailBoxMessage::MoveMailBox tstrlen(sz) <= iMailBoxNameLen");
    return false;
  }
  if (!EqualIgnoringCase(LMailBox::MailBoxNameOfMessage(recordPath), fromName)) {
    Trace("LMailBoxMessage::MoveMailBox \"%s\" is no message of \"%s\"", recordPath.c_str(),
          fromName.c_str());
    return false;
  }
  std::string suffix = recordName.substr(fromName.size());
  if (PathStripExtension(toMailBox).size() + suffix.size() > kMaxText) {
    Trace("LMailBoxMessage::MoveMailBox \"%s\" is too long a name", toMailBox.c_str());
    return false;
  }
  std::string newRecord = MoveFiles(recordPath, toMailBox, suffix);
  if (newRecord.empty()) return false;
  ProfileFlush(recordPath);
  ClearOwnerFlags(newRecord);
  LMailBox::MarkUnsent(toMailBox);
  recordPath = newRecord;
  return true;
}

// Tries the record's own number first, then the numbers after it, so that a
// message already in the other mailbox is never replaced.
std::string LMailBoxMessage::MoveFiles(const std::string& record, const std::string& toMailBox,
                                       const std::string& suffix) {
  std::string newRecord = PathReplaceExtension(toMailBox, suffix);
  int number = ParseLeadingInt(LMailBox::MessageId(record));
  // A flag written meanwhile lands before the move or not at all.
  FileLock lock(ResolveCaseInsensitive(record), FileLock::Missing::kRefuse);
  if (!lock.Acquire()) {
    Trace("LMailBoxMessage::MoveMailBox cannot lock \"%s\"", record.c_str());
    return {};
  }
  for (int tries = 0; tries < LMessageNumber::kNumbers; ++tries) {
    if (tries > 0) {
      number = LMessageNumber::After(number);
      newRecord = LMailBox::MessagePath(toMailBox, LMessageNumber::Format(number));
    }
    if (ExistsIgnoringCase(newRecord) || ExistsIgnoringCase(LMailBox::AudioPath(newRecord))) {
      continue;
    }
    Claim claim = MovePair(ResolveCaseInsensitive(record), newRecord);
    if (claim == Claim::kMoved) return newRecord;
    if (claim == Claim::kFailed) return {};
  }
  Trace("LMailBoxMessage::MoveMailBox found no free number for \"%s\"", record.c_str());
  return {};
}

bool LMailBoxMessage::SetFlag(const std::string& recordPath, std::string_view key, bool value) {
  return IniUpdateExisting(recordPath, [&](IniFile& file) {
    return file.Set(kSection, key, value ? "true" : "false");
  });
}

bool LMailBoxMessage::ClearOwnerFlags(const std::string& recordPath) {
  return IniUpdateExisting(recordPath, [](IniFile& file) {
    for (std::string_view key : kOwnerFlags) file.DeleteKey(kSection, key);
    // The old owner's failed deliveries and retry time are not the new one's.
    file.DeleteSection(DeliveryState::kSection);
    return true;
  });
}
