#include <set>
#include <thread>

#include "mail/LMailBox.h"
#include "mail/LMailBoxSettings.h"
#include "mail/LMessageArrival.h"
#include "mail/LMessageNumber.h"
#include "mail/MailTestFiles.h"

namespace {

class MessageStore : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string settings_ = dir_ / "settings.ini";
  std::string box_ = dir_ / "Sales.mbx";
};

TEST(MessageNumber, WrapsAndNormalises) {
  for (auto [number, after] : {std::pair{0, 1}, {999999, 0}, {-5, 999996}, {2147483647, 483648}})
    EXPECT_EQ(LMessageNumber::After(number), after) << number;
}

// Take counts on from the stored number, wraps, skips numbers whose record
// or audio exists in any case, and without a folder counts nothing.
TEST_F(MessageStore, TakeCountsOnWrapsAndSkipsNumbersInUse) {
  EXPECT_EQ(LMessageNumber::Take(settings_, dir_ / "gone/Sales.mbx"), "");
  EXPECT_EQ(Stored(settings_, "settings", "msgno"), "<missing>");
  EXPECT_EQ(LMessageNumber::Take(settings_, box_), dir_ / "Sales ICM000001.ini");
  WriteTextFile(dir_ / "sales icm000002.WAV", "audio");
  WriteTextFile(dir_ / "Sales ICM000003.ini", "[message]\ncid=3\n");
  WriteTextFile(dir_ / "SALES icm000004.Ini", "");
  WriteTextFile(dir_ / "Sales ICM2 ICM000005.ini", "");  // another mailbox's
  EXPECT_EQ(LMessageNumber::Take(settings_, box_), dir_ / "Sales ICM000005.ini");
  EXPECT_EQ(Stored(dir_ / "Sales ICM000003.ini", "message", "cid"), "3");
  ProfileWriteInt(settings_, "settings", "msgno", 999999);
  EXPECT_EQ(LMessageNumber::Take(settings_, box_), dir_ / "Sales ICM000000.ini");
  EXPECT_TRUE(Stored(settings_, "settings", "msgno") == "0" && FileExists(dir_ / "Sales ICM000000.ini"));
}

TEST_F(MessageStore, ConcurrentTakersNeverShareANumber) {
  std::vector<std::string> taken[2];
  auto take = [&](std::vector<std::string>& out) { for (int i = 0; i < 200; ++i) out.push_back(LMessageNumber::Take(settings_, box_)); };
  std::thread first(take, std::ref(taken[0])), second(take, std::ref(taken[1]));
  first.join(), second.join();
  std::set<std::string> distinct(taken[0].begin(), taken[0].end());
  distinct.insert(taken[1].begin(), taken[1].end());
  distinct.erase("");
  EXPECT_TRUE(distinct.size() == 400u && Stored(settings_, "settings", "msgno") == "400") << distinct.size();
}

// Start writes the call into the record; the arrival announces the message
// unless email delivery deletes it.
TEST_F(MessageStore, StartWritesTheCallAndArrivalAnnouncesUnlessDeletedByEmail) {
  LMessageArrival::Parameters parameters = {{"date", "01/02/26"}, {"time", "10:00:00"}, {"Date", "02/02/26"},
                                            {"read", "true"}, {"SentEmail", "true"}, {"cid", "fake"}};
  std::string record = LMessageArrival::Start(settings_, box_, parameters, "5551234", "Ann");
  ASSERT_EQ(record, dir_ / "Sales ICM000001.ini");
  EXPECT_EQ(Stored(record, "message", {"date", "time", "read", "sentemail", "mailboxname", "cid", "callername"}),
            "02/02/26|10:00:00|<missing>|<missing>|Sales|5551234|Ann");
  WriteTextFile(box_, "[mbx]\nbeep=true\nforwardtel=true\nforwardattempts=1\n");
  LMessageArrival::Notice notice = LMessageArrival::Arrived(settings_, box_);
  EXPECT_TRUE(notice.newMessage && notice.beep && Stored(settings_, "state", "newmessages") == "true");
  EXPECT_EQ(Stored(box_, "mbx", {"unsentmessages", "forwardattempts"}), "true|0");
  std::string quiet = dir_ / "Quiet.mbx";
  WriteTextFile(quiet, "[mbx]\nbeep=true\nsendemail=true\nsendemaildelete=true\n");
  ProfileWriteBool(settings_, "state", "newmessages", false);
  notice = LMessageArrival::Arrived(settings_, quiet);
  EXPECT_FALSE(notice.newMessage || notice.beep || Stored(settings_, "state", "newmessages") != "false");
  EXPECT_EQ(Stored(quiet, "mbx", {"unsentmessages", "forwardattempts"}), "true|<missing>");
}

// Values read as stored with their defaults where missing or empty, and a
// write stores every key.
TEST_F(MessageStore, SettingsReadAsStoredAndWriteEveryKey) {
  WriteTextFile(box_, "[mbx]\nbeep=True\nremoteaccess=t\nmaxforwardattempts=5x\nforwardfailwaitmins=\naccesscode=1234\n"
                      "forwardattempttime=2200001201\n");
  LMailBoxSettings read = LMailBoxSettings::Read(box_);
  EXPECT_TRUE(!read.beep && read.remoteAccess && read.sendEmailAudio && read.forwardAttemptTime == 2200001201);
  EXPECT_TRUE(read.maxForwardAttempts == 5 && read.forwardFailWaitMins == 20 && read.accessCode == "1234");

  read.ftpServer = "ftp.example.org";
  read.speechToTextEngine = 3;
  ASSERT_TRUE(read.Write(box_));
  for (const LMailBoxKey& key : MailBoxKeys())
    EXPECT_NE(Stored(box_, "mbx", std::string(key.name).c_str()), "<missing>") << key.name;
  EXPECT_EQ(Stored(box_, "mbx", {"remoteaccess", "beep", "forwardattempttime"}), "true|false|2200001201");
  LMailBoxSettings again = LMailBoxSettings::Read(box_);
  EXPECT_TRUE(again.ftpServer == "ftp.example.org" && again.speechToTextEngine == 3);
}

}  // namespace
