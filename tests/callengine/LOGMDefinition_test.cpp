#include "callengine/LOGMDefinition.h"
#include "callengine/LOGMFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <vector>

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

  bool Has(const std::string& file) const { return std::filesystem::exists(dir_ / file); }
  std::string Content(const std::string& file) const { return FileText(dir_ / file); }

  TempDir dir_;
  Def ogm_{dir_ / "Main.ini"};
  LOGMFiles files_{dir_.Path()};
  LHashTable parms_;
  LCallIdentity call_{"5551234", "Ann", "200", 2};
};

// (How values parse is the profile's test.)
TEST_F(OGMDefinition, DefaultsTheNumberEntryTypeInAnyCaseAndEditsAtEachUse) {
  EXPECT_EQ(std::tuple(ogm_.IsSet(Def::Flag::kAnswer), ogm_.RecordSilence("press1"),
                       ogm_.RecordMaxTime("press1", dir_ / "settings.ini")),
            std::tuple(true, 5000, 30000));
  Ivr("type=ENTERNUMBER\nwait=9\n");
  EXPECT_TRUE(ogm_.IsNumberEntry() && ogm_.Value(Def::Number::kWait) == 9);
}

TEST_F(OGMDefinition, KeyActionsChainedPrefixesAndActionSettings) {
  Ivr("press1=Go\npressA=hangup\nplaycomplete=goodbye\n"
      "press*transferfail=record\npress*transferfailrecstop=go\n"
      "press*transferfailrecstopgo=Next\n");
  const std::string fail = Def::Chained("press*", Def::Chain::kTransferFail);
  const std::string stop = Def::Chained(fail, Def::Chain::kRecStop);
  EXPECT_EQ(std::tuple(ogm_.KeyAction('1'), ogm_.KeyAction('A'), ogm_.Action("playcomplete"),
                       ogm_.Action(fail), ogm_.Action(stop)),
            std::tuple(OGMAction::kGo, OGMAction::kHangup, OGMAction::kGoodbye,
                       OGMAction::kRecord, OGMAction::kGo));
  EXPECT_EQ(Run(stop, Def::ActionText::kGo), "Next");
  // Words parse without regard to case; unknown ones are no action.
  EXPECT_EQ(ParseOGMAction("MailboxAccess"), OGMAction::kMailboxAccess);
  for (const char* word : {"", "jump", "mail", "go ", "mailboxaccessx"})
    EXPECT_EQ(ParseOGMAction(word), OGMAction::kNoResponse) << word;
  // Action settings expand, except the transfer number.
  parms_.SetParm("dest", "Sales");
  Ivr("press1go=%dest%\npress1transfer=9,%cid%\npress1transfermode=0\n"
      "press1playfile=%cid%.wav\npress1maxtime=0:01:00.000\npress1seektime=-0:00:05.000\n"
      "press1mbxmessage=false\nlogname=calls-%did%\nreadnumbervar=%bal%ance%\n");
  EXPECT_EQ(Run("press1", Def::ActionText::kGo) + "|" + Run("press1", Def::ActionText::kTransfer) +
                "|" + Run("press1", Def::ActionText::kPlayFile) + "|" +
                ogm_.Read(Def::Text::kLogName, parms_, call_) + "|" +
                ogm_.Read(Def::Text::kLogLine, parms_, call_) + "|" + ogm_.ReadNumberVariable(),
            "Sales|9,%cid%|5551234.wav|calls-200|,,,5551234|balance");
  EXPECT_EQ(std::tuple(ogm_.TransferMode("press1"), ogm_.RecordMaxTime("press1", dir_ / "settings.ini"),
                       ogm_.SeekTime("press1"), ogm_.IsSet("press1", Def::ActionFlag::kMbxMessage)),
            std::tuple(0, 60000, -5000, false));
  Write("settings.ini", "[settings]\nmaxrectime=0:00:45.000\n");
  EXPECT_EQ(ogm_.RecordMaxTime("press2", dir_ / "settings.ini"), 45000);
}

// Quotes and spaces in a caller's name cannot split or close an argument.
TEST_F(OGMDefinition, EachExpandedValueStaysInsideItsArgument) {
  const LCallIdentity caller{"1 -rf /", "a\" \"--evil=1\" \"b", "", 0};
  Ivr("runcount=1\nrun1=\"/opt/p lug\" %cid% \"name=%callername%\" x\"%cid%\"y\n");
  const Def::CommandLine command = ogm_.Program(1, parms_, caller);
  EXPECT_EQ(command.arguments, (std::vector<std::string>{"/opt/p lug", "1 -rf /",
                                                         "name=a\" \"--evil=1\" \"b", "x1 -rf /y"}));
  EXPECT_EQ(command.text, "\"/opt/p lug\" 1 -rf / \"name=a\" \"--evil=1\" \"b\" x\"1 -rf /\"y");
}

TEST_F(OGMDefinition, ProgramsAreReadOneByOneUpToABoundedCount) {
  parms_.SetParm("file", "x.txt");
  Ivr("runcount=3\nrun1=first %file%\nrun2=\nrun3=third\nrun4=beyond\n");
  EXPECT_EQ(ogm_.ProgramCount(), 3);
  EXPECT_EQ(ogm_.Program(1, parms_, call_).text + ogm_.Program(2, parms_, call_).text, "first x.txt");
  for (auto [count, read] : {std::pair{"2147483647", Def::kMaxPrograms}, {"-4", 0}}) {
    Ivr("runcount=" + std::string(count) + "\n");
    EXPECT_EQ(ogm_.ProgramCount(), read) << count;
  }
}

TEST_F(OGMDefinition, SpokenTextIsBoundedAndAudioIsTheOwnWaveOrTheExchangeFile) {
  // "é" is two bytes and would straddle the bound.
  std::string huge(Def::kMaxSpokenText - 1, 'a');
  Write("Main.txt", huge + "\xC3\xA9" + std::string(100000, 'b'));
  EXPECT_EQ(ogm_.SpokenText(), huge);
  Write("Main.txt", std::string(Def::kMaxSpokenText, 'c'));
  EXPECT_EQ(ogm_.SpokenText().size(), Def::kMaxSpokenText);
  // The audio is the OGM's own wave or the named exchange file.
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
  // A caller's number does not lead out of the folder the name gives.
  std::filesystem::create_directory(dir_ / "sub");
  parms_.SetParm("cid", "../MAIN");
  Ivr("playex=true\nplayexfile=sub/%cid%.wav\n");
  EXPECT_EQ(Audio(), "");
}

// LOGMFiles: an OGM exists by its definition; its files move together.
TEST_F(OGMDefinition, FilesOfAnOgmExistByItsDefinitionAndMoveTogetherInsideTheFolder) {
  Write("Sales.wav", "RIFF");
  EXPECT_FALSE(files_.Exists("Sales"));
  Write("Sales.ini", "[ivr]\n");
  EXPECT_TRUE(files_.Exists("SALES"));
  EXPECT_EQ(*files_.IniPath("sales"), dir_ / "Sales.ini");
  for (const char* name : {"", "../Sales", "a/b", "a\\b", ".."}) {
    EXPECT_FALSE(files_.IniPath(name) || files_.Rename("Sales", name) || files_.Remove(name))
        << name;
  }
  EXPECT_FALSE(files_.IniPath(std::string(300, 'n')));
  Write("Sales.txt", "Hello");
  Write("Other.ini", "[ivr]\npress1go=Sales\n");
  ASSERT_TRUE(files_.Rename("sales", "Shop"));
  EXPECT_FALSE(Has("Sales.ini") || Has("Sales.wav") || Has("Sales.txt"));
  EXPECT_EQ(Content("Shop.wav") + Content("Shop.txt"), "RIFFHello");
  EXPECT_EQ(Content("Other.ini"), "[ivr]\npress1go=Sales\n");  // references stay
  EXPECT_FALSE(files_.Rename("Missing", "C") || files_.Rename("Shop", "other"));
  EXPECT_TRUE(files_.Rename("Shop", "shop"));  // a change of case only
  EXPECT_TRUE(files_.Remove("SHOP"));
  EXPECT_FALSE(Has("shop.ini") || Has("shop.wav") || Has("shop.txt") || Has("Shop.ini"));
}

}  // namespace
