#include "mail/LMailBox.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/CaseInsensitivePath.h"
#include "core/IniStore.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "core/Trace.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/MailFiles.h"

namespace {

// The longest name a message file adds to the mailbox name.
constexpr std::string_view kLongestMessageSuffix = " ICM000000.ini";

// Where the last " ICM" of a title starts (compared without case), or npos.
std::size_t LastMessageMark(std::string_view title) {
  std::string_view mark = LMailBox::kMessageMark;
  for (std::size_t at = title.size(); at >= mark.size(); --at) {
    if (EqualIgnoringCase(title.substr(at - mark.size(), mark.size()), mark)) {
      return at - mark.size();
    }
  }
  return std::string_view::npos;
}

std::vector<std::string> MessagesOf(const std::string& mailBoxPath) {
  std::vector<std::string> records;
  for (LMailBoxMessageIterator it(mailBoxPath); it.IsValid(); it.Next()) {
    records.push_back(it.GetMailBoxMessage());
  }
  return records;
}

}  // namespace

std::string LMailBox::MailBoxPath(std::string_view folder, std::string_view name) {
  // A cut path would name some other mailbox's files.
  if (!PathIsPlainName(name) ||
      folder.size() + 1 + name.size() + kLongestMessageSuffix.size() > kMaxText) {
    Trace("LMailBox refused mailbox name \"%.64s\"", std::string(name).c_str());
    return {};
  }
  return ResolveCaseInsensitive(PathJoinExt(folder, name, kExtension));
}

std::string LMailBox::MailBoxName(std::string_view mailBoxPath) { return PathTitle(mailBoxPath); }

std::string LMailBox::MailBoxNameOfMessage(std::string_view recordPath) {
  std::string title = PathTitle(recordPath);
  std::size_t mark = LastMessageMark(title);
  return mark == std::string::npos ? std::string() : title.substr(0, mark);
}

std::string LMailBox::MessageId(std::string_view recordPath) {
  std::string title = PathTitle(recordPath);
  std::size_t mark = LastMessageMark(title);
  return mark == std::string::npos ? std::string() : title.substr(mark + kMessageMark.size());
}

std::string LMailBox::GreetingPath(std::string_view mailBoxPath) {
  std::string name = PathTitle(mailBoxPath) + std::string(kGreetingSuffix);
  return ResolveCaseInsensitive(PathJoin(PathFolder(mailBoxPath), name));
}

std::string LMailBox::MessagePath(std::string_view mailBoxPath, std::string_view id) {
  if (!PathIsPlainName(id)) return {};
  return PathReplaceExtension(mailBoxPath, std::string(kMessageMark) + std::string(id) + ".ini");
}

std::string LMailBox::AudioPath(std::string_view recordPath) {
  return ResolveCaseInsensitive(NewAudioPath(recordPath));
}

std::string LMailBox::NewAudioPath(std::string_view recordPath) {
  return PathReplaceExtension(recordPath, ".wav");
}

bool LMailBox::Delete(const std::string& mailBoxPath) {
  if (mailBoxPath.empty()) return true;
  for (const std::string& record : MessagesOf(mailBoxPath)) LMailBoxMessage::Delete(record);
  RemoveIgnoringCase(GreetingPath(mailBoxPath));
  ProfileFlush(mailBoxPath);
  RemoveIgnoringCase(mailBoxPath);
  return true;
}

bool LMailBox::Rename(std::string_view folder, std::string_view oldName, std::string_view newName) {
  if (EqualIgnoringCase(oldName, newName)) {
    Trace("LMailBox::Rename FAILED because names are the same");
    return false;
  }
  std::string oldPath = MailBoxPath(folder, oldName);
  std::string newPath = MailBoxPath(folder, newName);
  if (oldPath.empty() || newPath.empty()) return false;
  if (!ExistsIgnoringCase(oldPath)) {
    Trace("LMailBox::Rename FAILED because the mailbox does not exist");
    return false;
  }
  if (ExistsIgnoringCase(newPath)) {
    Trace("LMailBox::Rename FAILED because the new mailbox already exists");
    return false;
  }
  // The copy claims the new name only if it is still free.
  switch (CopyNoReplace(oldPath, newPath)) {
    case MoveResult::kMoved:
      break;
    case MoveResult::kTargetExists:
      Trace("LMailBox::Rename FAILED because the new mailbox already exists");
      return false;
    case MoveResult::kFailed:
      Trace("LMailBox::Rename FAILED because \"%s\" cannot be copied", oldPath.c_str());
      return false;
  }
  bool allMoved = MoveMessages(oldPath, newPath);
  MoveGreeting(oldPath, newPath);
  if (!allMoved) {
    Trace("LMailBox::Rename kept \"%s\" for the messages that could not be moved", oldPath.c_str());
    return false;
  }
  ProfileFlush(oldPath);
  RemoveIgnoringCase(oldPath);
  return true;
}

bool LMailBox::MoveMessages(const std::string& oldPath, const std::string& newPath) {
  bool allMoved = true;
  for (std::string record : MessagesOf(oldPath)) {
    allMoved = LMailBoxMessage::MoveMailBox(record, oldPath, newPath) && allMoved;
  }
  return allMoved;
}

void LMailBox::MoveGreeting(const std::string& oldPath, const std::string& newPath) {
  std::string oldGreeting = GreetingPath(oldPath);
  // A greeting left at the new name belongs to no mailbox; it must not
  // become this one's.
  RemoveIgnoringCase(GreetingPath(newPath));
  if (!ExistsIgnoringCase(oldGreeting)) return;
  std::string newGreeting = GreetingPath(newPath);
  if (std::rename(oldGreeting.c_str(), newGreeting.c_str()) != 0) {
    Trace("LMailBox::Rename could not move \"%s\": %s", oldGreeting.c_str(), std::strerror(errno));
  }
}

bool LMailBox::MarkUnsent(const std::string& mailBoxPath) {
  return IniUpdate(mailBoxPath, [](IniFile& file) {
    file.Set(kSection, "unsentmessages", "true");
    std::optional<std::string_view> forward = file.Find(kSection, "forwardtel");
    if (forward && forward->starts_with('t')) {
      file.Set(kSection, "forwardattempts", "0");
      file.Set(kSection, "forwardattempttime", "0");
    }
    return true;
  });
}
