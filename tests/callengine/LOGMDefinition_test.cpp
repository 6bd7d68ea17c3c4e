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
  // The audio file to play, marked when it needs the MP3 decoder; "" for none.
  std::string Audio() const {
    const Def::Audio audio = ogm_.AudioFile(parms_, call_);
    return audio.exists ? audio.path + (audio.mp3 ? " mp3" : "") : "";
  }

  TempDir dir_;
  Def ogm_{dir_ / "Main.ini"};
  LHashTable parms_;
  LCallIdentity call_{"5551234", "Ann", "200", 2};
};

TEST_F(OGMDefinition, MissingFileAndKeysReadAsDefaults) {
  EXPECT_TRUE(ogm_.IsSet(Def::Flag::kAnswer));
  EXPECT_EQ(ogm_.Value(Def::Number::kWait), 6);
  EXPECT_EQ(ogm_.Value(Def::Number::kRepeat), 0);
  EXPECT_EQ(ogm_.KeyAction('1'), OGMAction::kNoResponse);
  EXPECT_EQ(ogm_.TransferMode("press1"), 1);
  EXPECT_TRUE(ogm_.IsSet("press1", Def::ActionFlag::kMbxMessage));
  EXPECT_EQ(ogm_.RecordSilence("press1"), 5000);
  EXPECT_EQ(ogm_.RecordMaxTime("press1", dir_ / "settings.ini"), 30000);
  EXPECT_EQ(ogm_.ProgramCount(), 0);
  EXPECT_EQ(Audio(), "");
}

TEST_F(OGMDefinition, WrongTypesFallBackAndEditsAreReadAtEachUse) {
  Ivr("wait=soon\nrepeat=\nanswer=True\nplaytts=true\npress1=42\nrunasplugin=1\n");
  EXPECT_EQ(ogm_.Value(Def::Number::kWait), 0);    // no leading digits
  EXPECT_EQ(ogm_.Value(Def::Number::kRepeat), 0);  // empty reads as the default
  EXPECT_FALSE(ogm_.IsSet(Def::Flag::kAnswer));    // only a lower-case "t" is true
  EXPECT_TRUE(ogm_.IsSet(Def::Flag::kPlayTts));
  EXPECT_FALSE(ogm_.IsSet(Def::Flag::kRunAsPlugin));
  EXPECT_EQ(ogm_.KeyAction('1'), OGMAction::kNoResponse);
  Ivr("type=ENTERNUMBER\nwait=9\n");
  EXPECT_TRUE(ogm_.IsNumberEntry());
  EXPECT_EQ(ogm_.Value(Def::Number::kWait), 9);
}

TEST_F(OGMDefinition, KeyActionsAndChainedPrefixes) {
  Ivr("press1=Go\npressA=hangup\nplaycomplete=goodbye\n"
      "press*transferfail=record\npress*transferfailrecstop=go\n"
      "press*transferfailrecstopgo=Next\n");
  EXPECT_EQ(ogm_.KeyAction('1'), OGMAction::kGo);
  EXPECT_EQ(ogm_.KeyAction('A'), OGMAction::kHangup);
  EXPECT_EQ(ogm_.Action("playcomplete"), OGMAction::kGoodbye);
  std::string fail = Def::Chained("press*", Def::Chain::kTransferFail);
  EXPECT_EQ(ogm_.Action(fail), OGMAction::kRecord);
  std::string stop = Def::Chained(fail, Def::Chain::kRecStop);
  EXPECT_EQ(ogm_.Action(stop), OGMAction::kGo);
  EXPECT_EQ(Run(stop, Def::ActionText::kGo), "Next");
  EXPECT_EQ(Def::Chained("press3", Def::Chain::kAfterDial), "press3afterdial");
}

TEST(OGMAction, WordsParseWithoutRegardToCaseAndUnknownOnesAreNoAction) {
  EXPECT_EQ(ParseOGMAction("MailboxAccess"), OGMAction::kMailboxAccess);
  for (const OGMActionWord& row : OGMActionWords()) {  // the table and the enum agree
    EXPECT_EQ(ParseOGMAction(row.word), row.action) << row.word;
    EXPECT_EQ(OGMActionInfo(row.action).word, row.word);
  }
  for (const char* word : {"", "jump", "mail", "go ", "mailboxaccessx"})
    EXPECT_EQ(ParseOGMAction(word), OGMAction::kNoResponse) << word;
}

TEST_F(OGMDefinition, ActionSettingsExpandExceptTheTransferNumber) {
  parms_.SetParm("dest", "Sales");
  Ivr("press1go=%dest%\npress1transfer=9,%cid%\npress1transfermode=0\n"
      "press1playfile=%cid%.wav\npress1maxtime=0:01:00.000\npress1seektime=-0:00:05.000\n"
      "press1mbxmessage=false\nlogname=calls-%did%\nreadnumbervar=%bal%ance%\n");
  EXPECT_EQ(Run("press1", Def::ActionText::kGo), "Sales");
  EXPECT_EQ(Run("press1", Def::ActionText::kTransfer), "9,%cid%");
  EXPECT_EQ(Run("press1", Def::ActionText::kPlayFile), "5551234.wav");
  EXPECT_EQ(ogm_.TransferMode("press1"), 0);
  EXPECT_EQ(ogm_.RecordMaxTime("press1", dir_ / "settings.ini"), 60000);
  EXPECT_EQ(ogm_.SeekTime("press1"), -5000);
  EXPECT_FALSE(ogm_.IsSet("press1", Def::ActionFlag::kMbxMessage));
  EXPECT_EQ(ogm_.Read(Def::Text::kLogName, parms_, call_), "calls-200");
  EXPECT_EQ(ogm_.Read(Def::Text::kLogLine, parms_, call_), ",,,5551234");
  EXPECT_EQ(ogm_.ReadNumberVariable(), "balance");
  Write("settings.ini", "[settings]\nmaxrectime=0:00:45.000\n");
  EXPECT_EQ(ogm_.RecordMaxTime("press2", dir_ / "settings.ini"), 45000);
}

TEST_F(OGMDefinition, ProgramsAreReadOneByOneUpToABoundedCount) {
  parms_.SetParm("file", "x.txt");
  Ivr("runcount=3\nrun1=first %file%\nrun2=\nrun3=third\nrun4=beyond\n");
  EXPECT_EQ(ogm_.ProgramCount(), 3);
  EXPECT_EQ(ogm_.Program(1, parms_, call_), "first x.txt");
  EXPECT_EQ(ogm_.Program(2, parms_, call_), "");
  Ivr("runcount=2147483647\n");
  EXPECT_EQ(ogm_.ProgramCount(), Def::kMaxPrograms);
  Ivr("runcount=-4\n");
  EXPECT_EQ(ogm_.ProgramCount(), 0);
}

TEST_F(OGMDefinition, SpokenTextIsBoundedAtACharacterEdge) {
  // "é" is two bytes and would straddle the bound.
  std::string huge(Def::kMaxSpokenText - 1, 'a');
  Write("Main.txt", huge + "\xC3\xA9" + std::string(100000, 'b'));
  EXPECT_EQ(ogm_.SpokenText(), huge);
  Write("Main.txt", std::string(Def::kMaxSpokenText, 'c'));
  EXPECT_EQ(ogm_.SpokenText().size(), Def::kMaxSpokenText);
}

TEST_F(OGMDefinition, AudioIsTheOwnWaveOrTheNamedExchangeFile) {
  Write("MAIN.WAV", "RIFF");
  Write("Song.Mp3", "ID3");
  Ivr("playex=false\nplayexfile=song.mp3\n");
  EXPECT_EQ(Audio(), dir_ / "MAIN.WAV");  // found in any case
  Ivr("playex=true\nplayexfile=song.mp3\n");
  EXPECT_EQ(Audio(), dir_ / "Song.Mp3" + " mp3");
  Ivr("playex=true\n");  // the default is the OGM's own wave
  EXPECT_EQ(Audio(), dir_ / "MAIN.WAV");
  for (const char* file : {"missing.wav", ""}) {
    Ivr("playex=true\nplayexfile=" + std::string(file) + "\n");
    EXPECT_EQ(Audio(), "") << file;
  }
}

}  // namespace
