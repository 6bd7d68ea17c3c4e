#include <chrono>
#include <thread>
#include <tuple>

#include "IVRCFakes.h"

namespace {

using VoiceMail = FakedTest;

TEST_F(VoiceMail, RecordActionRecordsAfterTheToneAndChainsOnTimeOut) {
  Answer();
  controller_.SetState(S::CS_RECORDTONE);
  controller_.SetChainedAction({controller_.CurrentOGM(), "ivr", "press3recstop"});
  const std::string file = folders_.Root() + "/note.wav";
  Wave(file, 2000);
  controller_.SetUpRecording({file, 45000, 3000, true, true});
  controller_.PlaySystemPrompt("RecordTone");
  line_.Advance(0);
  const ScriptedLine::Op &record = *line_.LastOp();
  ASSERT_EQ(std::tuple(record.kind, record.silenceMs, record.maxMs),
            std::tuple(OK::Record, 3000, 45000));
  EXPECT_NEAR(record.sink->Position(), 16000, 1);  // appends (a shorter header costs a frame)
  line_.Advance(45000);
  EXPECT_EQ(commands_.keys, Texts{"press3recstop"});
  EXPECT_TRUE(services_.levelled.empty());  // appended files are not levelled
  commands_.taken = false;  // without a chained action: goodbye
  controller_.SetState(S::CS_RECORD);
  controller_.SetUpRecording({file, 1000, 0, true, false});
  controller_.RecordStart();
  line_.Advance(1000);
  EXPECT_EQ(std::tuple(services_.levelled, controller_.State()), std::tuple(Texts{file}, S::CS_GOODBYE));
}

TEST_F(VoiceMail, OgmTextIsSpokenAndANumberReadAfterTheFileOrTheSpeech) {
  Write(folders_.Ogms() + "/Default Answering Message.txt", "Hello %cid%, welcome.");
  Connect("playtts=true\nplayttsvoice=2\n");
  EXPECT_EQ(std::pair(services_.spoken, services_.voices),
            std::pair(Texts{"Hello 5551234, welcome."}, std::vector<int>{2}));
  std::filesystem::remove(folders_.Ogms() + "/Default Answering Message.txt");
  Connect("playtts=true\n", 700);
  EXPECT_NEAR(line_.LastOp()->endSample, 5600, 10);  // the ".wav" instead
  // A number read after the file, WAVE or MP3: the prompts of the value follow it.
  for (const char *name : {"1", "100", "20", "3", "Dollars", "40", "5", "Cents"}) Prompt(name, 100);
  std::string mp3;  // 28 silent mono frames of 36 ms at 32 kHz
  for (int i = 0; i < 28; ++i) mp3 += std::string("\xFF\xFB\x18\xC0", 4) + std::string(140, '\0');
  Write(folders_.Ogms() + "/Hours.mp3", mp3);
  commands_.effect = [](IVRCMain &c) { c.Parameters().SetParm("amount", "12345"); };
  // The MP3's length is known to a frame (288 samples here) before it is decoded.
  for (auto [file, ms, slack] :
       {std::tuple{"", 1000, 30}, {"playex=true\nplayexfile=Hours.mp3\n", 1008, 300}}) {
    Answer("readnumber=true\nreadnumbervar=%amount%\nreadnumbertype=2\n" + std::string(file));
    line_.Press('1');  // sets the parameter
    controller_.PlayOGM();
    // The OGM's file, then eight prompts of 100 ms, at 8000 Hz.
    EXPECT_NEAR(line_.LastOp()->endSample, 8 * (ms + 800), slack) << file;
  }
  // After spoken text the prompts follow once the speech ended.
  Write(folders_.Ogms() + "/Default Answering Message.txt", "Your balance is");
  Answer("playtts=true\nreadnumber=true\nreadnumbervar=amount\nreadnumbertype=2\n");
  line_.Press('1');
  controller_.PlayOGM();
  line_.Advance(0);
  EXPECT_NEAR(line_.OpsOf(OK::Play).back().endSample, 8 * 800, 30);
}

// A shell script as plug-in: what it prints becomes parameters.
class Plugins : public VoiceMail {
 protected:
  std::string Script(const std::string &name, const std::string &body) {
    const std::string path = folders_.Root() + "/" + name;
    Write(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  // Reports play positions until `done` or twenty seconds have passed (a
  // shell started on a busy machine may take a few).
  template <typename Done>
  bool PollUntil(Done done) {
    for (int i = 0; i < 2000 && !done(); ++i)
      line_.ReportPlayPosition(100), std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  }
};

TEST_F(Plugins, ReturnedOutputBecomesParametersAndTheNextProgramRuns) {
  const std::string first = Script("first.sh", "echo 'acct=42&name=Ann+B'");
  const std::string second = Script("second.sh", "touch \"$1\"");
  Connect("run=true\nrunasplugin=true\nruncount=2\nrun1=" + first + "\nrun2=" + second +
              " " + folders_.Root() + "/%acct%\nwait=30\n",
          60000);
  ASSERT_TRUE(PollUntil([&] { return !Parm("acct").empty(); }));
  EXPECT_EQ(Parm("acct") + Parm("name"), "42Ann B");
  EXPECT_TRUE(PollUntil([&] { return std::filesystem::exists(folders_.Root() + "/42"); }));
  EXPECT_EQ(controller_.State(), S::CS_OGM);
}

TEST_F(Plugins, AbandonedWhenTheOgmEndsAndRunCompleteSkipEndsTheNode) {
  const std::string slow = Script("slow.sh", "sleep 1; echo late=1");
  Connect("run=true\nrunasplugin=true\nruncount=1\nrun1=" + slow + "\nwait=30\n", 200);
  line_.Advance(300);  // the OGM ends first
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  line_.ReportPlayPosition(100);
  EXPECT_EQ(Parm("late"), "");
  // "runcompleteskip" goes to the end of the node.
  commands_.taken = false;
  Connect("run=true\nruncount=1\nrun1=true\nruncompleteskip=true\n", 1000);
  EXPECT_EQ(commands_.keys, Texts{"playcomplete"});
  EXPECT_EQ(controller_.State(), S::CS_GOODBYE);  // no action: goodbye, not the OGM audio
}

}  // namespace
