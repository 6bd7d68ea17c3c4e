#include "callengine/BrowserPhones.h"

#include <chrono>
#include <set>

#include "IVRCMainFixture.h"
#include "callengine/OGMCommands.h"
#include "callengine/VoiceMailFlows.h"
#include "telephony/SoundTestSupport.h"

namespace {

// Phones on a real loop and the network devices, answered by the default OGM.
class BrowserPhonesTest : public IVRCMainTest {
 protected:
  BrowserPhonesTest() {
    Ogm("Default Answering Message", "wait=60\n");
    Wave(folders_.Ogms() + "/Default Answering Message.wav", 500);
  }

  // Runs the loop for `ms`, `each` called every 100 ms.
  void Spin(int ms, const std::function<void()> &each = [] {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    auto next = std::chrono::steady_clock::now();
    runner_.Run({[&] {
      if (std::chrono::steady_clock::now() >= next) each(), next += std::chrono::milliseconds(100);
      return std::chrono::steady_clock::now() >= end;
    }}, ms + 5000);
  }
  bool Alive(int id, const std::string &session = "s") const { return phones_.Find(id, session).has_value(); }

  LoopRunner runner_;
  OGMCommands commands_;
  VoiceMailFlows voiceMail_;
  BrowserPhones phones_{{runner_.loop, runner_.clock_, folders_, logFile_, &commands_, &voiceMail_, nullptr}};
  std::string error_;
};

TEST_F(BrowserPhonesTest, APageThatWentAwayIsHungUpAndFreed) {
  struct Row {
    const char *what;
    bool closeStream;
    bool sendAudio;
    int waitMs;
    bool alive;
  };
  const int quiet = static_cast<int>(BrowserPhones::kSilentPageMs + BrowserPhones::kCheckMs);
  for (const Row &row : {Row{"its stream closed", true, true, 1500, false},
                         Row{"no microphone audio", false, false, quiet + 500, false},
                         Row{"microphone audio keeps coming", false, true, quiet + 500, true}}) {
    const int id = phones_.Connect("s", error_);
    ASSERT_NE(0, id) << error_;
    const std::shared_ptr<LWaveNetworkLink> link = phones_.Find(id, "s")->link;
    if (row.closeStream) link->Close();
    Spin(row.waitMs, [&] {
      if (row.sendAudio) link->Heard(std::string(1600, '\0'));
    });
    EXPECT_EQ(row.alive, Alive(id)) << row.what;
    if (row.alive) EXPECT_TRUE(phones_.HangUp(id, "s"));
    Spin(50);
  }
}

TEST_F(BrowserPhonesTest, OnlyTheOwningSessionReachesAConnectedPhone) {
  const int id = phones_.Connect("s", error_);
  ASSERT_NE(0, id) << error_;
  EXPECT_FALSE(Alive(id, "other"));
  EXPECT_FALSE(phones_.PressKey(id, "other", '1'));
  EXPECT_FALSE(phones_.HangUp(id, "other"));
  EXPECT_TRUE(phones_.PressKey(id, "s", '1'));
  EXPECT_TRUE(phones_.HangUp(id, "s"));
  Spin(50);
  EXPECT_FALSE(Alive(id));
  EXPECT_FALSE(phones_.PressKey(id, "s", '1'));  // idle: refused
  EXPECT_FALSE(phones_.HangUp(id, "s"));
}

TEST_F(BrowserPhonesTest, PhonesAreSeparateCallsUpToTheLimitAndNeedAnAnswer) {
  std::vector<int> ids;
  for (int i = 0; i < BrowserPhones::kMaxPhones; ++i) ids.push_back(phones_.Connect("s", error_));
  EXPECT_EQ(0, phones_.Connect("s", error_));
  EXPECT_NE(std::string::npos, error_.find("in calls"));
  std::set<std::string> callFiles;
  for (int id : ids) callFiles.insert(phones_.Find(id, "s")->callFile);
  EXPECT_EQ(ids.size(), callFiles.size());
  phones_.HangUpAll();
  Spin(50);
  Settings("[state]\non=false\n");
  EXPECT_EQ(0, phones_.Connect("s", error_));
  EXPECT_NE(std::string::npos, error_.find("not answered"));
}

}  // namespace
