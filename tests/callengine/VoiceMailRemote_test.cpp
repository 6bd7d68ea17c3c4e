#include <filesystem>
#include <tuple>

#include "VoiceMailFixture.h"
#include "callengine/AccessCodeGuard.h"
#include "callengine/MessageTimeStamp.h"

namespace {

class VoiceMailRemote : public VoiceMailFlowsTest {
 protected:
  // Opens "Sales" (code 1234, further `keys`): its newest message starts.
  void OpenSales(const std::string &keys = "") {
    MailBox("Sales", "remoteaccess=true\naccesscode=1234\n" + keys);
    AccessCall(), line_.Press("1234#");
  }
  std::string Title(const std::string &id) const { return Record("Sales", id, ""); }
  Texts Played() const { return Logged("Playing mailbox message: "); }
  Texts Prompts() const { return Logged("System prompt missing: "); }
};

TEST_F(VoiceMailRemote, WrongCodeIsRefusedAndStarClearsTheDigits) {
  MailBox("Sales", "remoteaccess=true\naccesscode=1234\n");
  MailBox("Open", "remoteaccess=true\n");  // no code: "#" alone must not open it
  MailBox("Closed", "accesscode=99\n");    // no remote access
  Settings("[settings]\ndateorder=1\n[state]\nnewmessages=true\n");
  AccessCall();
  line_.Press("#99#");
  line_.Advance(0);
  EXPECT_EQ(line_.LastOp()->maxMs, 20000);  // the code may be keyed again
  line_.Press("12*1234#");
  EXPECT_EQ(controller_.Mailbox(), folders_.MailBoxes() + "/Sales.mbx");
  EXPECT_EQ(Key(folders_.SettingsFile(), "state", "newmessages"), "false");
  // After the last message "5" offers the next (none) and "3" waits for a
  // code whose silence replays where the caller was.
  line_.Press('5');
  EXPECT_TRUE(Posted(WM_DELMESSAGE).empty());
  line_.Press('3');
  EXPECT_EQ(line_.LastOp()->maxMs, 5000);
  line_.Advance(5000);
  EXPECT_EQ(controller_.State(), S::CS_NOMOREMSGS);
  EXPECT_EQ(Prompts(), (Texts{"EnterAccessCode", "InvalidAccessCode", "InvalidAccessCode",
                              "NoMoreMessagesMenu", "NoMoreMessagesMenu", "NoMoreMessagesMenu"}));
}

TEST_F(VoiceMailRemote, TimeStampsFollowTheDateOrderAndRecentMessagesAreAnnounced) {
  auto stamp = [&](const char *date, const char *time, int order) {
    return MessageTimeStamp::Read(Message("Sales", "000001", date, time), order);
  };
  for (auto [date, order] : {std::pair{"01/07/24", 0}, {"07/01/24", 1}, {"24/01/07", 2}}) {
    const MessageTimeStamp read = stamp(date, "11:30:05", order);
    EXPECT_EQ(std::tuple(read.Instant(), read.SecondsOfDay(), read.DaysBefore(clock_.Now())),
              std::tuple(LocalTime(2024, 1, 7, 11, 30, 5), 11 * 3600 + 30 * 60 + 5, 1))
        << order;
  }
  for (const char *date : {"07/01", "07/01/24/1", "a7/01/24", "32/01/24", "07/13/24", ""})
    EXPECT_EQ(stamp(date, "11:00:00", 1).Instant(), 0) << date;
  EXPECT_EQ(stamp("07/01/24", "25:00:00", 1).Instant(), 0);
  // Messages of today and yesterday are announced with their time.
  // Prompt lengths that add up uniquely, so the total tells what was said.
  for (auto [name, ms] : {std::pair{"12", 100}, {"30", 200}, {"AM", 400}, {"Today", 800},
                          {"PM", 1600}, {"Yesterday", 3200}})
    Prompt(name, ms);
  Message("Sales", "000001", "08/01/24", "00:30:00", 50);
  Message("Sales", "000002", "07/01/24", "12:00:00", 50);
  Message("Sales", "000003", "06/01/24", "23:59:00", 50);
  OpenSales("remoteaccesstime=true\n");
  EXPECT_EQ(PlayedMs(), 100 + 200 + 400 + 800 + 50);  // "12" "30" "AM" "Today"
  line_.Press('2');
  EXPECT_EQ(PlayedMs(), 100 + 1600 + 3200 + 50);  // "12" "PM" "Yesterday"
  line_.Press('2');
  EXPECT_EQ(PlayedMs(), 50);  // two days ago: the message alone
}

TEST_F(VoiceMailRemote, MessagesAreOfferedNewestFirstThenNoMoreMessages) {
  Message("Sales", "000001", "07/01/24", "11:00:00");
  Message("Sales", "000002", "07/01/24", "10:00:00");
  Message("Sales", "000003", "07/01/24", "12:00:00");
  Message("Sales", "000004", "", "09:00:00");  // undated: never offered
  Message("Sales", "000005", "07/01/24", "12:00:00");  // same time as 000003: offered once
  OpenSales();
  line_.Advance(3 * 6000);  // each message, its menu and the menu's 5 s
  ASSERT_EQ(controller_.State(), S::CS_NOMOREMSGS);
  const Texts played = Played();
  ASSERT_EQ(played.size(), 3u);
  EXPECT_TRUE(played[0] == Title("000003") || played[0] == Title("000005"));
  EXPECT_EQ(Texts(played.begin() + 1, played.end()), (Texts{Title("000001"), Title("000002")}));
  EXPECT_EQ(Posted(WM_UPDATEREADMARK).size(), 3u);
  EXPECT_EQ(Key(Record("Sales", "000002"), "message", "read") + "|" +
                Key(Record("Sales", "000004"), "message", "read"), "true|");
  line_.Advance(10000);  // silence after "NoMoreMessagesMenu"
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
}

TEST_F(VoiceMailRemote, MenuKeysReplayMoveDeleteAndEndTheCall) {
  const std::string support = MailBox("Support", "remoteaccess=true\naccesscode=5678\n");
  for (int n = 1; n <= 3; ++n)
    Message("Sales", "00000" + std::to_string(n), "07/01/24", std::to_string(10 + n) + ":00:00");
  OpenSales();
  line_.Press('1');  // again
  line_.Press('3');
  line_.Advance(5000);  // no code: the message plays again
  EXPECT_EQ(Played(), Texts(3, Title("000003")));
  line_.Press("356#");  // a part of a code moves nothing: the next message
  EXPECT_EQ(controller_.Message(), Record("Sales", "000002"));
  line_.Press('5');  // delete: the older one follows
  EXPECT_FALSE(std::filesystem::exists(Record("Sales", "000002")) ||
               std::filesystem::exists(Audio("Sales", "000002")));
  EXPECT_EQ(controller_.Message(), Record("Sales", "000001"));
  const std::vector<std::string> log = SystemLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "Mailbox message deleted by remote caller: Sales ICM000002.ini"),
            log.end());
  line_.Press("435678#");  // no action, then the move
  EXPECT_FALSE(std::filesystem::exists(Record("Sales", "000001")));
  const std::string moved = Record("Support", "000001");
  EXPECT_TRUE(std::filesystem::exists(moved) && std::filesystem::exists(Audio("Support", "000001")));
  EXPECT_EQ(Key(moved, "message", "read"), "");  // new to its owner
  EXPECT_EQ(Key(support, "mbx", "unsentmessages"), "true");
  EXPECT_EQ(std::tuple(Posted(WM_DELMESSAGE), Posted(WM_UPDATEMESSAGE), Posted(WM_NEWMESSAGE, true),
                       Posted(WM_RUNSCHEDULER).size()),
            std::tuple(Texts{Record("Sales", "000002"), Record("Sales", "000001")}, Texts{moved},
                       Texts{"0"}, 1u));
  line_.Press('*');
  EXPECT_EQ(std::pair(controller_.State(), Prompts().back()),
            std::pair(S::CS_ACCESSCODE, std::string("EnterAccessCode")));
  line_.Press("1234#9");
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
}

TEST_F(VoiceMailRemote, SetupMenuPlaysAndRecordsTheGreeting) {
  OpenSales();
  line_.Press("81");  // no greeting yet: the system's
  EXPECT_EQ(controller_.State(), S::CS_MBXSETUPPLAY);
  line_.Advance(0);
  EXPECT_EQ(Prompts(), (Texts{"EnterAccessCode", "NoMoreMessagesMenu", "MailBoxSetup",
                              "LeaveMessage", "MailBoxSetup"}));
  line_.Press('2');
  line_.Advance(0);  // after "RecordTone"
  EXPECT_EQ(std::tuple(LastKind(), line_.LastOp()->silenceMs, line_.LastOp()->maxMs),
            std::tuple(OK::Record, 5000, 30000));
  Speak(1500);
  line_.Press('1');  // ends the recording and plays it
  EXPECT_EQ(services_.levelled, Texts{folders_.MailBoxes() + "/Sales OGM.wav"});
  EXPECT_EQ(PlayedMs(), 1500);
  line_.Press('7');  // any other key: the menu again, waiting 20 s
  line_.Advance(0);
  EXPECT_EQ(line_.LastOp()->maxMs, 20000);
  line_.Press("29");  // "9" during the tone: nothing recorded
  EXPECT_EQ(services_.levelled.size(), 1u);
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);
}

// Code keys are logged hidden. Three wrong codes end a call; six from one
// number within ten minutes lock it out for half an hour, the right code
// included, while other numbers still get in.
TEST_F(VoiceMailRemote, WrongCodesEndTheCallAndLockTheNumberOut) {
  MailBox("Sales", "remoteaccess=true\naccesscode=1234\n");
  const std::string wrong = "Wrong mailbox access code from 5551234";
  const std::string locked = "Mailbox access from 5551234 locked for 30 minutes after 6 wrong access codes";
  const std::string refused = "Mailbox access refused: too many wrong access codes from 5551234";
  struct Row {
    std::string keys;
    Texts systemLog;  // the lines added by the call
  };
  const Row rows[] = {
      {"1#2#", {wrong, wrong}},  // still waiting for a third try
      {"3#4#5#", {wrong, wrong, wrong}},
      {"7#", {wrong, locked}},
      {"1234#", {refused}},
  };
  std::size_t seen = 0;
  for (const Row &row : rows) {
    AccessCall(), line_.Press(row.keys);
    line_.Advance(0);
    Texts logged = SystemLog();
    std::erase_if(logged, [](const std::string &line) { return line.find("access code") == std::string::npos; });
    EXPECT_EQ(Texts(logged.begin() + static_cast<std::ptrdiff_t>(seen), logged.end()), row.systemLog)
        << row.keys;
    seen = logged.size();
    EXPECT_EQ(LastKind() == OK::Drop, row.keys != "1#2#") << row.keys;
    EXPECT_FALSE(InLog("Caller opened mailbox")) << row.keys;
    EXPECT_FALSE(InLog("Caller pressed key [#]")) << row.keys;
  }
  for (const char *number : {"5559999", "5551234"}) {
    ASSERT_EQ(Ring(3, number), 3);
    line_.Connect();
    controller_.SetState(S::CS_ACCESSCODE), line_.Press("1234#");
    EXPECT_TRUE(InLog("Caller opened mailbox: Sales")) << number;
    EXPECT_TRUE(InLog("Caller pressed key [*]"));
    EXPECT_FALSE(InLog("Caller pressed key [4]"));
    clock_.Advance(AccessCodeGuard::kLockMs);
  }
}

}  // namespace
