#include "callengine/BrowserPhones.h"

#include <chrono>
#include <set>

#include "IVRCMainFixture.h"
#include "callengine/OGMCommands.h"
#include "callengine/VoiceMailFlows.h"
#include "telephony/SoundTestSupport.h"

namespace {

// Phones on a real loop (which runs once) and the network devices,
// answered by the default OGM.
class BrowserPhonesTest : public IVRCMainTest {
 protected:
  BrowserPhonesTest() {
    Ogm("Default Answering Message", "wait=60\n");
    Wave(folders_.Ogms() + "/Default Answering Message.wav", 500);
  }

  struct Rig {
    explicit Rig(BrowserPhonesTest &test)
        : phones({runner.loop, runner.clock_, test.folders_, test.logFile_, &commands, &voiceMail, nullptr, nullptr}) {}
    // Runs the loop until `phone` is freed.
    bool RunUntilFreed(int phone) {
      return runner.Run({[&] { return !phones.Find(phone, "s"); }}, 4000);
    }
    LoopRunner runner;
    OGMCommands commands;
    VoiceMailFlows voiceMail;
    BrowserPhones phones;
  };

  std::string error_;
};

TEST_F(BrowserPhonesTest, APageThatWentAwayIsHungUpAndFreed) {
  struct Row { const char *what; bool closeStream; bool sendAudio; bool alive; };
  const auto quiet = std::chrono::milliseconds(BrowserPhones::kSilentPageMs + BrowserPhones::kCheckMs + 500);
  for (const Row &row : {Row{"its stream closed", true, true, false},
                         Row{"no microphone audio", false, false, false},
                         Row{"microphone audio keeps coming", false, true, true}}) {
    Rig rig(*this);
    const int id = rig.phones.Connect("s", error_);
    ASSERT_NE(0, id) << error_;
    const std::shared_ptr<LWaveNetworkLink> link = rig.phones.Find(id, "s")->link;
    if (row.closeStream) link->Close();
    const auto end = std::chrono::steady_clock::now() + quiet;
    rig.runner.Run({[&] {
      if (row.sendAudio) link->Heard(std::string(16, '\0'));
      return !rig.phones.Find(id, "s") || std::chrono::steady_clock::now() >= end;
    }});
    EXPECT_EQ(row.alive, rig.phones.Find(id, "s").has_value()) << row.what;
  }
}

// The page hears of it through the closed link, which ends its streams.
TEST_F(BrowserPhonesTest, ACallTheProgramEndsFreesItsPhoneAndClosesItsLink) {
  Ogm("Default Answering Message", "wait=1\nplaycomplete=hangup\n");
  Rig rig(*this);
  const int id = rig.phones.Connect("s", error_);
  ASSERT_NE(0, id) << error_;
  const std::shared_ptr<LWaveNetworkLink> link = rig.phones.Find(id, "s")->link;
  EXPECT_TRUE(rig.RunUntilFreed(id));
  EXPECT_TRUE(link->Closed());
}

TEST_F(BrowserPhonesTest, OnlyTheOwningSessionReachesAConnectedPhone) {
  Rig rig(*this);
  BrowserPhones &phones = rig.phones;
  const int id = phones.Connect("s", error_);
  ASSERT_NE(0, id) << error_;
  EXPECT_FALSE(phones.Find(id, "other") || phones.PressKey(id, "other", '1') || phones.HangUp(id, "other"));
  EXPECT_TRUE(phones.PressKey(id, "s", '1') && phones.HangUp(id, "s"));
  EXPECT_FALSE(phones.PressKey(id, "s", '1'));  // idle: refused
  EXPECT_TRUE(rig.RunUntilFreed(id) && !phones.HangUp(id, "s"));
}

TEST_F(BrowserPhonesTest, PhonesAreSeparateCallsUpToTheLimitAndNeedAnAnswer) {
  Rig rig(*this);
  BrowserPhones &phones = rig.phones;
  std::vector<int> ids;
  for (int i = 0; i < BrowserPhones::kMaxPhones; ++i) ids.push_back(phones.Connect("s", error_));
  EXPECT_EQ(0, phones.Connect("s", error_));
  EXPECT_NE(std::string::npos, error_.find("in calls"));
  std::set<std::string> callFiles;
  for (int id : ids) callFiles.insert(phones.Find(id, "s")->callFile);
  EXPECT_EQ(ids.size(), callFiles.size());
  phones.HangUpAll();
  EXPECT_TRUE(rig.RunUntilFreed(ids.back()));
  Settings("[state]\non=false\n");
  EXPECT_EQ(0, phones.Connect("s", error_));
  EXPECT_NE(std::string::npos, error_.find("not answered"));
}

}  // namespace
