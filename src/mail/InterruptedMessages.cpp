#include "mail/InterruptedMessages.h"

#include <cerrno>
#include <cstring>

#include "audio/InterruptedWave.h"
#include "core/DataFolders.h"
#include "core/Trace.h"
#include "mail/LFileSearch.h"
#include "mail/LMailBox.h"
#include "mail/LMailBoxMessage.h"

namespace {

void Recover(const DataFolders& folders, const std::string& record,
             std::vector<RecoveredMessage>& found) {
  RecoveredMessage message{record, LMailBox::AudioPath(record), false, {}};
  InterruptedWave wave(message.audio);
  if (wave.GetState() != InterruptedWave::State::kInterrupted) return;
  if (wave.DurationMs() <= LMessageArrival::kShortestKeptMs) {
    LMailBoxMessage::Delete(record);
  } else {
    message.kept = true;
    const std::string mailBox =
        LMailBox::MailBoxPath(folders.MailBoxes(), LMailBox::MailBoxNameOfMessage(record));
    if (!mailBox.empty()) message.notice = LMessageArrival::Arrived(folders.SettingsFile(), mailBox);
    if (!wave.Finish()) {
      Trace("RecoverInterruptedMessages %s not finished: %s", message.audio.c_str(),
            std::strerror(errno));
    }
  }
  found.push_back(std::move(message));
}

}  // namespace

std::vector<RecoveredMessage> RecoverInterruptedMessages(const DataFolders& folders) {
  // Every record of the folder, so a message left in a mailbox whose file
  // is missing is found too. Collected first: a deletion must not disturb
  // the walk.
  std::vector<std::string> records;
  for (LFileSearch search(folders.MailBoxes(),
                          [](std::string_view name) {
                            return MatchesWildcard(name, "", ".ini") &&
                                   !LMailBox::MailBoxNameOfMessage(name).empty();
                          });
       search.IsValid(); search.Next()) {
    records.push_back(search.Path());
  }
  std::vector<RecoveredMessage> found;
  for (const std::string& record : records) Recover(folders, record, found);
  return found;
}
