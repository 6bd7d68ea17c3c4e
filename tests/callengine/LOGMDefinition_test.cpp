#include "callengine/LOGMDefinition.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace {

using Def = LOGMDefinition;

class OGMDefinition : public ::testing::Test {
 protected:
  void Ivr(const std::string& keys) { Write("Main.ini", "[ivr]\n" + keys); }
  void Write(const std::string& file, const std::string& text) {
    std::ofstream(dir_ / file, std::ios::binary) << text;
  }
  std::string Run(const std::string& prefix, Def::ActionText text) const {
    return ogm_.Read(prefix, text, parms_, call_);
  }

  TempDir dir_;
  Def ogm_{dir_ / "Main.ini"};
  LHashTable parms_;
  LCallIdentity call_{"5551234", "Ann", "200", 2};
};

TEST_F(OGMDefinition, MissingFileAndKeysReadAsDefaults) {
  EXPECT_FALSE(ogm_.IsNumberEntry());
  EXPECT_TRUE(ogm_.IsSet(Def::Flag::kAnswer));
  EXPECT_FALSE(ogm_.IsSet(Def::Flag::kPlayTts));
  EXPECT_FALSE(ogm_.IsSet(Def::Flag::kRunCompleteSkip));
  EXPECT_EQ(ogm_.Value(Def::Number::kWait), 6);
  EXPECT_EQ(ogm_.Value(Def::Number::kRepeat), 0);
  EXPECT_EQ(ogm_.Read(Def::Text::kLogName, parms_, call_), "");
  EXPECT_EQ(ogm_.KeyAction('1'), OGMAction::kNoResponse);
  EXPECT_EQ(ogm_.Action("playcomplete"), OGMAction::kNoResponse);
  EXPECT_EQ(ogm_.TransferMode("press1"), 1);
  EXPECT_TRUE(ogm_.IsSet("press1", Def::ActionFlag::kMbxMessage));
  EXPECT_TRUE(ogm_.IsSet("press1", Def::ActionFlag::kRecalc));
  EXPECT_FALSE(ogm_.IsSet("press1", Def::ActionFlag::kRecCat));
  EXPECT_EQ(ogm_.RecordSilence("press1"), 5000);
  EXPECT_EQ(ogm_.SeekTime("press1"), 0);
  EXPECT_TRUE(ogm_.Programs(parms_, call_).empty());
  EXPECT_EQ(ogm_.SpokenText(), "");
  EXPECT_EQ(ogm_.Name(), "Main");
}

TEST_F(OGMDefinition, WrongTypesFallBackWithoutFailing) {
  Ivr("wait=soon\nrepeat=\nanswer=True\nplaytts=true\npress1=42\nrunasplugin=1\n");
  EXPECT_EQ(ogm_.Value(Def::Number::kWait), 0);    // no leading digits
  EXPECT_EQ(ogm_.Value(Def::Number::kRepeat), 0);  // empty reads as the default
  EXPECT_FALSE(ogm_.IsSet(Def::Flag::kAnswer));    // only a lower-case "t" is true
  EXPECT_TRUE(ogm_.IsSet(Def::Flag::kPlayTts));
  EXPECT_FALSE(ogm_.IsSet(Def::Flag::kRunAsPlugin));
  EXPECT_EQ(ogm_.KeyAction('1'), OGMAction::kNoResponse);
}

TEST_F(OGMDefinition, TypeAndEditsAreReadAtEachUse) {
  Ivr("type=ENTERNUMBER\n");
  EXPECT_TRUE(ogm_.IsNumberEntry());
  Ivr("type=menu\nwait=9\n");
  EXPECT_FALSE(ogm_.IsNumberEntry());
  EXPECT_EQ(ogm_.Value(Def::Number::kWait), 9);
}

TEST_F(OGMDefinition, KeyActionsAndChainedPrefixes) {
  Ivr("press1=Go\npress#=mailbox\npress*=transfer\npressA=hangup\npress2=fly\n"
      "playcomplete=goodbye\npress*transferfail=record\npress*transferfailrecstop=go\n"
      "press*transferfailrecstopgo=Next\n");
  EXPECT_EQ(ogm_.KeyAction('1'), OGMAction::kGo);
  EXPECT_EQ(ogm_.KeyAction('#'), OGMAction::kMailbox);
  EXPECT_EQ(ogm_.KeyAction('A'), OGMAction::kHangup);
  EXPECT_EQ(ogm_.KeyAction('2'), OGMAction::kNoResponse);
  EXPECT_EQ(ogm_.KeyAction('3'), OGMAction::kNoResponse);
  EXPECT_EQ(ogm_.Action("playcomplete"), OGMAction::kGoodbye);
  std::string fail = Def::Chained("press*", Def::Chain::kTransferFail);
  EXPECT_EQ(fail, "press*transferfail");
  EXPECT_EQ(ogm_.Action(fail), OGMAction::kRecord);
  std::string stop = Def::Chained(fail, Def::Chain::kRecStop);
  EXPECT_EQ(ogm_.Action(stop), OGMAction::kGo);
  EXPECT_EQ(Run(stop, Def::ActionText::kGo), "Next");
  EXPECT_EQ(Def::Chained("press3", Def::Chain::kAfterDial), "press3afterdial");
}

TEST_F(OGMDefinition, ActionParametersExpandExceptTheTransferNumber) {
  parms_.SetParm("dest", "Sales");
  Ivr("press1go=%dest%\npress1transfer=9,%cid%\npress1transfermode=0\n"
      "press1playfile=%cid%.wav\npress1maxtime=0:01:00.000\npress1seektime=-0:00:05.000\n"
      "press1reccat=true\npress1mbxmessage=false\n");
  EXPECT_EQ(Run("press1", Def::ActionText::kGo), "Sales");
  EXPECT_EQ(Run("press1", Def::ActionText::kTransfer), "9,%cid%");
  EXPECT_EQ(Run("press1", Def::ActionText::kPlayFile), "5551234.wav");
  EXPECT_EQ(ogm_.TransferMode("press1"), 0);
  EXPECT_EQ(ogm_.RecordMaxTime("press1", dir_ / "settings.ini"), 60000);
  EXPECT_EQ(ogm_.SeekTime("press1"), -5000);
  EXPECT_TRUE(ogm_.IsSet("press1", Def::ActionFlag::kRecCat));
  EXPECT_FALSE(ogm_.IsSet("press1", Def::ActionFlag::kMbxMessage));
}

TEST_F(OGMDefinition, RecordTimeFallsBackToTheSettings) {
  Ivr("press2=record\n");
  EXPECT_EQ(ogm_.RecordMaxTime("press2", dir_ / "settings.ini"), 30000);
  Write("settings.ini", "[settings]\nmaxrectime=0:00:45.000\n");
  EXPECT_EQ(ogm_.RecordMaxTime("press2", dir_ / "settings.ini"), 45000);
}

TEST_F(OGMDefinition, TextsExpandAndLogLineHasItsDefault) {
  Ivr("logname=calls-%did%\nreadnumbervar=%bal%ance%\n");
  EXPECT_EQ(ogm_.Read(Def::Text::kLogName, parms_, call_), "calls-200");
  EXPECT_EQ(ogm_.Read(Def::Text::kLogLine, parms_, call_), ",,,5551234");
  EXPECT_EQ(ogm_.ReadNumberVariable(), "balance");
}

TEST_F(OGMDefinition, ProgramsRunInOrderUpToTheCount) {
  parms_.SetParm("file", "x.txt");
  Ivr("runcount=3\nrun1=first %file%\nrun2=\nrun3=third\nrun4=beyond\n");
  EXPECT_EQ(ogm_.Programs(parms_, call_), (std::vector<std::string>{"first x.txt", "third"}));
  Ivr("runcount=-5\nrun1=never\n");
  EXPECT_TRUE(ogm_.Programs(parms_, call_).empty());
}

TEST_F(OGMDefinition, HugeProgramCountIsBounded) {
  Ivr("runcount=2147483647\nrun1=only\nrun65=too far\n");
  EXPECT_EQ(ogm_.Programs(parms_, call_), std::vector<std::string>{"only"});
}

TEST_F(OGMDefinition, SpokenTextIsBoundedAtACharacterEdge) {
  Write("Main.txt", "Welcome to the shop.");
  EXPECT_EQ(ogm_.SpokenText(), "Welcome to the shop.");
  // "é" is two bytes and would straddle the bound.
  std::string huge(Def::kMaxSpokenText - 1, 'a');
  huge += "\xC3\xA9";
  huge += std::string(100000, 'b');
  Write("Main.txt", huge);
  EXPECT_EQ(ogm_.SpokenText(), std::string(Def::kMaxSpokenText - 1, 'a'));
  Write("Main.txt", std::string(Def::kMaxSpokenText, 'c'));
  EXPECT_EQ(ogm_.SpokenText().size(), Def::kMaxSpokenText);
}

TEST_F(OGMDefinition, AudioIsTheOwnWaveFoundInAnyCase) {
  Ivr("");
  EXPECT_FALSE(ogm_.AudioFile(parms_, call_));  // no audio: nothing to play
  Write("MAIN.WAV", "RIFF");
  std::optional<Def::Audio> audio = ogm_.AudioFile(parms_, call_);
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->path, dir_ / "MAIN.WAV");
  EXPECT_FALSE(audio->mp3);
  EXPECT_EQ(ogm_.SpokenText(), "");
}

TEST_F(OGMDefinition, PlayExChoosesTheNamedFileAndItsDecoder) {
  Write("main.wav", "RIFF");
  Write("Song.Mp3", "ID3");
  Ivr("playex=false\nplayexfile=song.mp3\n");
  EXPECT_EQ(ogm_.AudioFile(parms_, call_)->path, dir_ / "main.wav");
  Ivr("playex=true\nplayexfile=song.mp3\n");
  std::optional<Def::Audio> audio = ogm_.AudioFile(parms_, call_);
  ASSERT_TRUE(audio);
  EXPECT_EQ(audio->path, dir_ / "Song.Mp3");
  EXPECT_TRUE(audio->mp3);
  Ivr("playex=true\n");  // the default is the OGM's own wave
  EXPECT_EQ(ogm_.AudioFile(parms_, call_)->path, dir_ / "main.wav");
  parms_.SetParm("tune", dir_ / "Song.Mp3");
  Ivr("playex=true\nplayexfile=%tune%\n");
  EXPECT_EQ(ogm_.AudioFile(parms_, call_)->path, dir_ / "Song.Mp3");
  Ivr("playex=true\nplayexfile=missing.wav\n");
  EXPECT_FALSE(ogm_.AudioFile(parms_, call_));
  Ivr("playex=true\nplayexfile=\n");
  EXPECT_FALSE(ogm_.AudioFile(parms_, call_));
}

}  // namespace
