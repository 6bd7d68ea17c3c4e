#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/WaveTestFiles.h"
#include "core/DataFolders.h"
#include "core/UniqueFd.h"
#include "mail/InterruptedMessages.h"
#include "mail/MailTestFiles.h"

namespace {

// The recorder's 16-bit mono file at 8000 Hz with `ms` of audio; its sizes
// still say "streaming" unless it was finished.
std::string Audio(uint32_t ms, bool streaming) {
  return wave_test::PcmHeader(1, 8000, 2, streaming ? 0xFFFFFFFF : ms * 16) +
         std::string(ms * 16, '\x05');
}

// outcome: what the first recovery makes of it.
struct InterruptedCase { const char* box; const char* id; uint32_t ms; bool streaming; const char* outcome; };

class InterruptedMessages : public ::testing::Test {
 protected:
  InterruptedMessages() { folders_.CreateMissing(); }

  std::string Path(const std::string& box, const std::string& id, const char* ext) const {
    return folders_.MailBoxes() + "/" + box + " ICM" + id + ext;
  }
  // "<box> ICM<id> kept|deleted [new] [beep]" for each message recovered.
  Names Recover() const {
    Names outcomes;
    for (const RecoveredMessage& m : RecoverInterruptedMessages(folders_)) {
      EXPECT_EQ(m.audio, m.record.substr(0, m.record.size() - 4) + ".wav");
      const std::string name = m.record.substr(folders_.MailBoxes().size() + 1);
      outcomes.push_back(name.substr(0, name.size() - 4) + (m.kept ? " kept" : " deleted") +
                         (m.notice.newMessage ? " new" : "") + (m.notice.beep ? " beep" : ""));
    }
    std::sort(outcomes.begin(), outcomes.end());
    return outcomes;
  }

  TempDir dir_;
  DataFolders folders_ = DataFolders::Resolve(dir_.Path());
};

// Each interrupted message is finished and booked as a finished recording
// would be, or deleted when as short as one that is discarded; a message
// still held by its recorder waits for a later start, and nothing is
// recovered twice.
TEST_F(InterruptedMessages, FinishesAndBooksEachInterruptedMessageOnce) {
  const InterruptedCase rows[] = {
      {"Sales", "000001", 3000, true, "kept"},
      {"Sales", "000002", 2500, true, "deleted"},
      {"Sales", "000003", 4000, false, "untouched"},
      {"Sales", "000004", 2600, true, "held"},
      {"Quiet", "000005", 3000, true, "kept"},  // deleted once e-mailed: not announced
      {"Gone", "000006", 2600, true, "kept"},   // its mailbox file is missing
  };
  WriteTextFile(folders_.MailBoxes() + "/Sales.mbx", "[mbx]\nbeep=true\n");
  WriteTextFile(folders_.MailBoxes() + "/Quiet.mbx",
                "[mbx]\nsendemail=true\nsendemailaudio=true\nsendemaildelete=true\n");
  for (const InterruptedCase& row : rows) {
    WriteTextFile(Path(row.box, row.id, ".ini"), "[message]\ncid=555\n");
    WriteTextFile(Path(row.box, row.id, ".wav"), Audio(row.ms, row.streaming));
  }
  const std::string held = Path("Sales", "000004", ".wav");
  auto recorder = std::make_unique<UniqueFd>(::open(held.c_str(), O_WRONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(recorder->Get(), LOCK_EX), 0);

  EXPECT_EQ(Recover(), (Names{"Gone ICM000006 kept new", "Quiet ICM000005 kept",
                              "Sales ICM000001 kept new beep", "Sales ICM000002 deleted"}));
  for (const InterruptedCase& row : rows) {
    const std::string outcome = row.outcome;
    const std::string audio = Path(row.box, row.id, ".wav");
    const bool exists = FileExists(audio) && FileExists(Path(row.box, row.id, ".ini"));
    EXPECT_EQ(exists, outcome != "deleted") << row.id;
    if (outcome != "deleted") {
      EXPECT_EQ(FileText(audio), Audio(row.ms, row.streaming && outcome != "kept")) << row.id;
    }
  }
  EXPECT_EQ(Stored(folders_.SettingsFile(), "state", "newmessages"), "true");
  for (const char* box : {"Sales", "Quiet", "Gone"}) {
    EXPECT_EQ(Stored(folders_.MailBoxes() + "/" + box + ".mbx", "mbx", "unsentmessages"), "true") << box;
  }

  EXPECT_EQ(Recover(), Names{});  // still held
  recorder.reset();
  EXPECT_EQ(Recover(), Names{"Sales ICM000004 kept new beep"});
  EXPECT_EQ(FileText(held), Audio(2600, false));
  EXPECT_EQ(Recover(), Names{});
}

}  // namespace
