#include <algorithm>
#include <filesystem>

#include "VoiceMailFixture.h"
#include "audio/LWaveFile.h"
#include "support/FullDisk.h"

namespace {

class VoiceMailLeave : public VoiceMailFlowsTest {
 protected:
  // As the "mailbox" action leaves a caller with parameters `parms`:
  // "RecordTone" has ended.
  void LeaveMessage(const std::string &mailbox, const std::string &parms = "") {
    Answer();
    controller_.Parameters().ParseQuery(parms);
    controller_.SetMailbox(folders_.MailBoxes() + "/" + mailbox + ".mbx");
    controller_.SetState(S::CS_MBXRECORDTONE);
    controller_.PlaySystemPrompt("RecordTone");
    line_.Advance(0);
  }
  std::string NewMessages() { return Key(folders_.SettingsFile(), "state", "newmessages"); }
};

TEST_F(VoiceMailLeave, MessageOfTwoAndAHalfSecondsIsDiscardedLongerOnesKept) {
  const std::string mbx = MailBox("Sales", "beep=true\ncallscreen=true\n");
  LeaveMessage("Sales", "read=true&account=42");  // the caller cannot mark it read
  const std::string record = Record("Sales", "000001");
  ASSERT_EQ(controller_.Message(), record);
  for (auto [key, value] : {std::pair{"mailboxname", "Sales"}, {"cid", "5551234"},
                            {"callername", "Ann Caller"}, {"time", "20:00:12"},  // three rings
                            {"date", "08/01/24"}, {"account", "42"}, {"read", ""}})
    EXPECT_EQ(Key(record, "message", key), value) << key;
  EXPECT_EQ(Posted(WM_UPDATEMESSAGE, true), Texts{"1"});  // call screening
  EXPECT_EQ(std::pair(line_.LastOp()->silenceMs, line_.LastOp()->maxMs), std::pair(5000, 30000));
  Speak(2500);
  line_.Press('9');  // saves and says goodbye
  EXPECT_FALSE(std::filesystem::exists(record) || std::filesystem::exists(Audio("Sales", "000001")));
  EXPECT_EQ(Posted(WM_DELMESSAGE), Texts{record});
  EXPECT_TRUE(services_.levelled.empty());
  EXPECT_EQ(std::tuple(NewMessages(), controller_.State()), std::tuple("", S::CS_GOODBYE));

  ProfileWriteDuration(folders_.SettingsFile(), "settings", "maxrectime", 60000);
  LeaveMessage("Sales");
  EXPECT_EQ(line_.LastOp()->maxMs, 60000);
  Speak(2600);
  line_.Press('9');
  EXPECT_TRUE(std::filesystem::exists(Record("Sales", "000002")));
  EXPECT_EQ(services_.levelled, Texts{Audio("Sales", "000002")});
  EXPECT_EQ(Posted(WM_NEWMESSAGE, true), Texts{"1"});  // the mailbox beeps
  EXPECT_EQ(Posted(WM_WAKEBGTASK).size() + Posted(WM_RUNSCHEDULER).size(), 2u);
  EXPECT_EQ(std::tuple(NewMessages(), Key(mbx, "mbx", "unsentmessages"), controller_.Message()),
            std::tuple("true", "true", ""));
}

// "#" offers the menu, where "2" plays the message back and 15 s of silence
// save it; a key outside the menu saves it and takes the OGM's action.
TEST_F(VoiceMailLeave, MenuReviewsTheMessageAndOtherKeysSaveItForTheOgm) {
  LeaveMessage("Sales");
  EXPECT_EQ(line_.LastOp()->thresholdDb, -22);
  Speak(3000);
  line_.Press("#2");
  EXPECT_EQ(std::pair(controller_.State(), PlayedMs()), std::pair(S::CS_MBXREVIEW, 3000));
  line_.Advance(3000);  // then the menu ("MailboxMenu" is missing), which waits for a key
  EXPECT_EQ(line_.LastOp()->maxMs, 15000);
  line_.Advance(15000);
  EXPECT_EQ(std::tuple(services_.levelled, controller_.State()),
            std::tuple(Texts{Audio("Sales", "000001")}, S::CS_GOODBYE));
  LeaveMessage("Sales");
  Speak(3000);
  commands_.taken = false;
  line_.Press('4');
  EXPECT_EQ(std::tuple(services_.levelled.size(), commands_.keys, LastKind()),
            std::tuple(2u, Texts{"press4"}, OK::Drop));
}

TEST_F(VoiceMailLeave, MessageDeletedAfterEmailingIsNotAnnouncedButStillUnsent) {
  const std::string mbx = MailBox("Sales",
                                  "sendemail=true\nsendemailaudio=true\nsendemaildelete=true\n"
                                  "forwardtel=true\nforwardattempts=3\nforwardattempttime=99\n");
  LeaveMessage("Sales");
  Speak(4000);
  line_.Advance(30000);  // the recording's time-out saves and says goodbye
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
  EXPECT_EQ(NewMessages() + std::to_string(Posted(WM_NEWMESSAGE).size()), "0");
  EXPECT_EQ(Posted(WM_WAKEBGTASK).size(), 1u);
  EXPECT_EQ(Key(mbx, "mbx", "unsentmessages"), "true");
  EXPECT_EQ(Key(mbx, "mbx", "forwardattempts") + Key(mbx, "mbx", "forwardattempttime"), "00");
}

TEST_F(VoiceMailLeave, RetakeRecordsIntoTheSameFileAndHangingUpKeepsIt) {
  LeaveMessage("New Box");  // no mailbox file yet
  Speak(1000);
  line_.Press('1');
  line_.Advance(0);  // "RecordTone" is missing and ends at once
  ASSERT_EQ(std::pair(LastKind(), Count(OK::Record)), std::pair(OK::Record, std::size_t{2}));
  Speak(3000);
  line_.HangUp();
  const std::string audio = Audio("New Box", "000001");
  EXPECT_EQ(LWaveFile::OpenSource(audio)->GetEndSample(), 24000);  // the new take only
  EXPECT_TRUE(std::filesystem::exists(Record("New Box", "000001")) &&
              !std::filesystem::exists(Record("New Box", "000002")));
  // Keeping the message creates the mailbox with the keys it writes.
  EXPECT_EQ(Key(folders_.MailBoxes() + "/New Box.mbx", "mbx", "unsentmessages"), "true");
  EXPECT_EQ(services_.levelled, Texts{audio});
}

// A disk that fills during a message: the system log and the status say so
// with the folder, and what fitted is kept however short; with nothing
// written the message goes, but not as "too short".
TEST_F(VoiceMailLeave, FullDiskKeepsWhatFittedAndSaysSo) {
  ProfileWriteInt(folders_.SettingsFile(), "settings", "lowspacemb", 0);
  const std::string full = "Recording stopped because the disk is full: " + folders_.MailBoxes();
  for (auto [room, keptFrames] : {std::pair{46 + 16000, 8000}, {0, 0}}) {
    const std::string record = Record("Sales", keptFrames ? "000001" : "000002");
    {
      FullDiskScope disk(room);
      LeaveMessage("Sales");
      Speak(1000);
      Speak(2000);
      line_.Press('9');
    }
    EXPECT_EQ(std::filesystem::exists(record), keptFrames > 0) << room;
    if (keptFrames > 0) {
      EXPECT_EQ(LWaveFile::OpenSource(Audio("Sales", "000001"))->GetEndSample(), keptFrames);
      EXPECT_EQ(services_.levelled, Texts{Audio("Sales", "000001")});
      EXPECT_EQ(NewMessages(), "true");
    }
  }
  EXPECT_EQ(Posted(WM_DISKNOTICE), (Texts{"", full, "", full}));
  const Texts logged = SystemLog();
  EXPECT_EQ(std::count(logged.begin(), logged.end(), full), 2);
  EXPECT_EQ(std::count(logged.begin(), logged.end(),
                       "Recorded message discarded because the disk is full"), 1);
  EXPECT_EQ(std::count_if(logged.begin(), logged.end(),
                          [](const std::string &line) { return line.find("too short") != std::string::npos; }),
            0);
}

TEST_F(VoiceMailLeave, AMessageThatCannotBeStoredIsToldToTheOwner) {
  LeaveMessage("Gone/Sales");  // a folder that does not exist
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
  const Texts logged = SystemLog();
  EXPECT_EQ(std::count(logged.begin(), logged.end(),
                       "A message could not be taken: its files cannot be written beside " +
                           folders_.MailBoxes() + "/Gone/Sales.mbx"),
            1);
}

// Before each recording the free space of its folder is held against
// [settings] "lowspacemb" (0 turns the check off); enough space clears the
// status notice again.
TEST_F(VoiceMailLeave, LowDiskSpaceIsWarnedBeforeEachRecording) {
  const std::string warning = " MB free in " + folders_.MailBoxes() +
                              " (the warning starts below 2000000000 MB)";
  for (auto [mb, warned] : {std::pair{"0", false}, {"2000000000", true}, {"1", false}}) {
    ProfileWriteString(folders_.SettingsFile(), "settings", "lowspacemb", mb);
    LeaveMessage("Sales");
    const std::string notice = Posted(WM_DISKNOTICE).back();
    EXPECT_EQ(notice.starts_with("Low disk space: ") && notice.ends_with(warning), warned) << mb;
    const Texts logged = SystemLog();
    EXPECT_EQ(std::count(logged.begin(), logged.end(), notice), warned ? 1 : 0) << mb;
  }
}

}  // namespace
