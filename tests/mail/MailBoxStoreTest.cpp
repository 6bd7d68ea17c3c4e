#include <algorithm>
#include <atomic>
#include <thread>

#include "mail/LMailBox.h"
#include "mail/LMailBoxIterator.h"
#include "mail/LMailBoxMessage.h"
#include "mail/LMailBoxMessageIterator.h"
#include "mail/MailTestFiles.h"

namespace {

class MailBoxStore : public ::testing::Test {
 protected:
  std::string Box(const std::string& name, const std::string& keys = "") {
    std::string path = dir_ / (name + ".mbx");
    WriteTextFile(path, "[mbx]\n" + keys);
    return path;
  }
  // A message with audio, the flags of a read and delivered message and a
  // delivery failure noted.
  std::string Message(const std::string& box, const std::string& id, const std::string& audio = "audio") {
    std::string record = dir_ / (box + " ICM" + id + ".ini");
    WriteTextFile(record, "[message]\ncid=555\nread=true\nsentemail=true\nsentftp=true\nsenttofolder=true\ncompressed=true\n"
                          "[delivery]\nlasterror=Upload failed\n");
    WriteTextFile(dir_ / (box + " ICM" + id + ".wav"), audio);
    return record;
  }
  std::vector<std::string> Messages(const std::string& box) {
    std::vector<std::string> names;
    for (LMailBoxMessageIterator it(dir_ / (box + ".mbx")); it.IsValid(); it.Next()) names.push_back(PathName(it.GetMailBoxMessage()));
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string PathName(const std::string& path) { return path.substr(dir_.Path().size() + 1); }

  TempDir dir_;
};

TEST_F(MailBoxStore, IteratorsListMatchingFilesInAnyCase) {
  EXPECT_FALSE(LMailBoxIterator(dir_.Path()).IsValid());
  LMailBoxIterator missing(dir_ / "nowhere");
  LMailBoxMessageIterator noMessages(dir_ / "nowhere/A.mbx");
  EXPECT_TRUE(!missing.IsValid() && missing.GetMailBox().empty() && !noMessages.IsValid() &&
              noMessages.GetMailBoxMessage().empty());
  Box("A");
  Message("A", "000001");
  for (const char* name : {"B.MBX", "notes.txt", ".mbx", "a icm000002.INI", "A ICM000003.wav"}) WriteTextFile(dir_ / name, "");
  Names boxes;
  for (LMailBoxIterator it(dir_.Path()); it.IsValid(); it.Next()) boxes.push_back(PathName(it.GetMailBox()));
  std::sort(boxes.begin(), boxes.end());
  EXPECT_EQ(boxes, (Names{"A.mbx", "B.MBX"}));
  EXPECT_EQ(Messages("A"), (Names{"A ICM000001.ini", "a icm000002.INI"}));
}

// Another mailbox's messages stay, even those of one named like it plus " ICM".
TEST_F(MailBoxStore, DeleteRemovesMessagesGreetingAndMailBoxOnly) {
  std::string a = Box("A");
  Box("A ICM");
  Message("A", "000001");
  Message("A", "000002");
  Message("A ICM", "000002");
  Message("B", "000003");
  WriteTextFile(dir_ / "a OGM.wav", "greeting");
  EXPECT_EQ(Messages("A"), (Names{"A ICM000001.ini", "A ICM000002.ini"}));
  EXPECT_TRUE(LMailBox::Delete(a));
  EXPECT_FALSE(FileExists(a) || FileExists(dir_ / "a OGM.wav") || FileExists(dir_ / "A ICM000001.wav"));
  EXPECT_EQ(Messages("A"), Names{});
  EXPECT_EQ(Messages("B"), (Names{"B ICM000003.ini"}));
  EXPECT_TRUE(Messages("A ICM") == Names{"A ICM ICM000002.ini"} && FileExists(dir_ / "A ICM ICM000002.wav"));
  EXPECT_TRUE(LMailBox::Delete(a));  // nothing left: still fine
}

TEST_F(MailBoxStore, MoveMarksMessageNewForItsNewOwnerAndResetsForwarding) {
  Box("A");
  std::string b = Box("B", "forwardtel=true\nforwardattempts=2\nforwardattempttime=99\n");
  std::string record = Message("A", "000007");
  ASSERT_TRUE(LMailBoxMessage::MoveMailBox(record, dir_ / "A.mbx", b));
  EXPECT_TRUE(record == dir_ / "B ICM000007.ini" && FileText(dir_ / "B ICM000007.wav") == "audio") << record;
  EXPECT_FALSE(FileExists(dir_ / "A ICM000007.ini") || FileExists(dir_ / "A ICM000007.wav"));
  EXPECT_EQ(Stored(record, "message", {"read", "sentemail", "sentftp", "senttofolder", "compressed", "cid"}),
            "<missing>|<missing>|<missing>|<missing>|true|555");
  EXPECT_EQ(Stored(record, "delivery", "lasterror"), "<missing>");  // the old owner's failure is not its
  EXPECT_EQ(Stored(b, "mbx", {"unsentmessages", "forwardattempts", "forwardattempttime"}), "true|0|0");
  // Without forwarding the attempts stay; a message without audio moves alone.
  std::string c = Box("C", "forwardattempts=2\n");
  ASSERT_TRUE(LMailBoxMessage::MoveMailBox(record, b, c));
  EXPECT_EQ(Stored(c, "mbx", "forwardattempts"), "2");
  record = dir_ / "A ICM000004.ini";
  WriteTextFile(record, "[message]\nread=true\n");
  ASSERT_TRUE(LMailBoxMessage::MoveMailBox(record, dir_ / "A.mbx", c));
  EXPECT_TRUE(record == dir_ / "C ICM000004.ini" && !FileExists(dir_ / "C ICM000004.wav")) << record;
}

// Refused moves change nothing; a move onto a taken number keeps both.
TEST_F(MailBoxStore, MoveRefusalsChangeNothingAndATakenNumberKeepsBothMessages) {
  std::string b = Box("B");
  std::string record = Message("A", "999999", "moved");
  for (auto [from, to] : {std::pair{"A.mbx", "a.MBX"}, {"A ICM999999 long.mbx", "D.mbx"}, {"C.mbx", "D.mbx"}})
    EXPECT_FALSE(LMailBoxMessage::MoveMailBox(record, dir_ / from, dir_ / to)) << from;
  EXPECT_TRUE(record == dir_ / "A ICM999999.ini" && Stored(record, "message", "read") == "true" && !FileExists(dir_ / "D.mbx"));
  Message("B", "999999", "resident");
  WriteTextFile(dir_ / "b icm000000.WAV", "orphan audio");
  ASSERT_TRUE(LMailBoxMessage::MoveMailBox(record, dir_ / "A.mbx", b));
  EXPECT_EQ(record, dir_ / "B ICM000001.ini");
  EXPECT_EQ(FileText(dir_ / "B ICM000001.wav") + FileText(dir_ / "B ICM999999.wav") +
                Stored(dir_ / "B ICM999999.ini", "message", "read"), "movedresidenttrue");
}

// The delivery task marks flags while the console moves the message: the
// moved record is whole and no stub is left at the old path.
TEST_F(MailBoxStore, FlagWritesRacingAMoveLeaveNoStubRecord) {
  const std::string b = Box("B");
  for (int round = 0; round < 20; ++round) {
    std::string record = Message("A", "000001");
    const std::string old = record;
    std::atomic<bool> moved{false};
    std::thread marker([&] {
      while (!moved) LMailBoxMessage::SetFlag(old, "sentemail", true);
      LMailBoxMessage::SetFlag(old, "sentftp", true);
    });
    ASSERT_TRUE(LMailBoxMessage::MoveMailBox(record, dir_ / "A.mbx", b));
    moved = true;
    marker.join();
    EXPECT_FALSE(FileExists(old)) << "round " << round;
    EXPECT_EQ(Stored(record, "message", "cid"), "555") << "round " << round;
    LMailBoxMessage::Delete(record);
  }
}

// Refused renames change nothing.
TEST_F(MailBoxStore, RenameMovesEverythingAndMakesMessagesNew) {
  std::string a = Box("Old", "beep=true\n");
  Message("Old", "000001");
  Message("Old", "000002");
  WriteTextFile(dir_ / "Old OGM.wav", "greeting");
  WriteTextFile(dir_ / "New OGM.wav", "stale");
  std::string other = Box("other", "beep=false\n");
  for (auto [from, to] : {std::pair{"Old", "OLD"}, {"Old", "Other"}, {"Missing", "Else"}, {"Old", "../Old"}, {"Old", ""}})
    EXPECT_FALSE(LMailBox::Rename(dir_.Path(), from, to)) << from << " to " << to;
  EXPECT_EQ(Stored(a, "mbx", "beep") + Stored(other, "mbx", "beep") + Stored(dir_ / "Old ICM000001.ini", "message", "read"),
            "truefalsetrue");
  ASSERT_TRUE(LMailBox::Rename(dir_.Path(), "old", "New"));
  EXPECT_FALSE(FileExists(a) || FileExists(dir_ / "Old OGM.wav"));
  EXPECT_EQ(Stored(dir_ / "New.mbx", "mbx", {"beep", "unsentmessages"}), "true|true");
  EXPECT_EQ(Messages("New"), (Names{"New ICM000001.ini", "New ICM000002.ini"}));
  EXPECT_EQ(Messages("Old"), Names{});
  EXPECT_EQ(Stored(dir_ / "New ICM000002.ini", "message", {"read", "sentemail"}), "<missing>|<missing>");
  EXPECT_EQ(FileText(dir_ / "New OGM.wav"), "greeting");
  // Without a greeting of its own, a stale one under the new name goes.
  WriteTextFile(dir_ / "third ogm.wav", "stale");
  ASSERT_TRUE(LMailBox::Rename(dir_.Path(), "Other", "Third"));
  EXPECT_FALSE(FileExists(dir_ / "third ogm.wav"));
}

}  // namespace
