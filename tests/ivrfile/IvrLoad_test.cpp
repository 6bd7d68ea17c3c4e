// Applying a checked file: where each record lands, audio in the line
// format, files in use, destinations that cannot be replaced, cancelling,
// and the settings the load command keeps.
#include <sys/file.h>

#include <fcntl.h>


#include "IvrTestSupport.h"
#include "audio/LWaveFile.h"
#include "audio/LWaveFileFormat.h"
#include "core/Profile.h"
#include "core/UniqueFd.h"
#include "ivrfile/IvrFormat.h"
#include "support/FullDisk.h"

using namespace ivr_test;

namespace {

std::string Format(const std::string& path) {
  LWaveFileFormat f;
  if (!LWaveFile::ReadFormat(path, f)) return "unreadable";
  return std::to_string(f.Tag()) + " " + std::to_string(f.SamplesPerSec()) + " " + std::to_string(f.Channels()) + " " + std::to_string(f.BitsPerSample());
}

TEST_F(IvrFixture, EveryRecordKindLandsInItsPlace) {
  // 100 bytes of audio whose header promises two gigabytes.
  const std::string lyingWave = wave_test::Riff(wave_test::Chunk("fmt ", wave_test::FmtBody(1, 1, 8000, 16)) +
                                                wave_test::ChunkSized("data", 0x7FFFFFF0, std::string(100, '\0')));
  const std::string path = Outside("all.ivr", IvrBytes().Header().File(0, "Main.ini", "[ivr]\nwait=5\n").File(0, "Main.wav", ToneWave(22050, 2))
      .File(1, "Goodbye.wav", ToneWave()).File(2, "Sales.mbx", "[mbx]\n").File(3, "lookup.sh", "#!/bin/sh\n").File(0, "Empty.txt", "")
      .File(0, "Lie.wav", lyingWave).Setting("settings", "ogm", "Main").Setting("Console", "address", "0.0.0.0")
      .Setting("email", "SendMail", "/tmp/run-me").Notes("Call Bob first.").ShowNotes().End().Bytes());
  RecordingProgress progress;
  const IvrLoadOutcome outcome = LoadIvrProgram(folders_, path, false, progress);
  EXPECT_TRUE(outcome.result == kProcessDone && outcome.showNotes);
  EXPECT_EQ(FileText(folders_.Ogms() + "/Main.ini") + FileText(folders_.MailBoxes() + "/Sales.mbx") +
                FileText(folders_.Root() + "/lookup.sh") + FileText(folders_.Root() + "/notes.txt"),
            "[ivr]\nwait=5\n[mbx]\n#!/bin/sh\nCall Bob first.");
  EXPECT_EQ(Format(folders_.Ogms() + "/Main.wav") + ", " + Format(folders_.SystemPrompts() + "/Goodbye.wav"), "1 8000 1 16, 1 8000 1 16");
  EXPECT_TRUE(std::filesystem::exists(folders_.Ogms() + "/Empty.txt"));
  EXPECT_LT(std::filesystem::file_size(folders_.Ogms() + "/Lie.wav"), 100000u);
  const std::string& settings = folders_.SettingsFile();
  EXPECT_EQ(ProfileReadString(settings, "settings", "ogm", "") + "|" + ProfileReadString(settings, "settings", "ivrfile", "") + "|" +
                ProfileReadString(settings, "settings", "ivrfiledir", "") + "|" + ProfileReadString(settings, "settings", "notespopup", "gone"),
            "Main|" + path + "|" + dir_.Path() + "|gone");
  // Where the console listens and the mailer are never taken from a program file.
  EXPECT_EQ(FileText(settings).find("0.0.0.0"), std::string::npos);
  EXPECT_EQ(FileText(settings).find("run-me"), std::string::npos);
  EXPECT_DOUBLE_EQ(progress.fractions.back(), 1.0);
  EXPECT_TRUE(Tree(temp_).empty());
  EXPECT_FALSE(LoadIvrProgram(folders_, path, true, progress).showNotes);  // a quiet load never shows them
}

// Faults found while applying: undecodable audio ends the load with the
// program as it was; a destination that cannot be replaced is only shown.
TEST_F(IvrFixture, FaultsWhileApplying) {
  std::filesystem::create_directory(folders_.Ogms() + "/Stuck.ini");
  WriteFile(folders_.Ogms() + "/main.ini", "old");
  const struct { const char* broken; ProcessResult result; std::string_view message; } rows[] = {
      {"Broken.wav", kProcessFailed, ivrtext::kAudio}, {"Stuck.ini", kProcessDone, ivrtext::kReplace}};
  for (const auto& row : rows) {
    for (const bool quiet : {false, true}) {
      SCOPED_TRACE(std::string(row.broken) + (quiet ? " quiet" : ""));
      std::filesystem::remove(folders_.Ogms() + "/Last.ini");
      const IvrLoadOutcome outcome = Load(Outside("bad.ivr", IvrBytes().Header().File(0, "Main.ini", "new").File(0, row.broken, "no wave")
          .File(0, "Last.ini", "").End().Bytes()), quiet);
      EXPECT_EQ(outcome.result, row.result);
      EXPECT_EQ(outcome.messages, quiet ? std::vector<std::string>{} : std::vector<std::string>{std::string(row.message)});
      // The name matches the existing file without case and keeps its spelling.
      EXPECT_EQ(FileText(folders_.Ogms() + "/main.ini"), row.result == kProcessDone ? "new" : "old");
      EXPECT_EQ(std::filesystem::exists(folders_.Ogms() + "/Last.ini"), row.result == kProcessDone);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(folders_.Ogms() + "/Broken.wav") || std::filesystem::exists(folders_.Ogms() + "/Main.ini"));
  EXPECT_EQ(Tree(folders_.Ogms()).size(), 2u);  // main.ini and Last.ini: nothing staged is left
}

// A disk that fills up fails the load, says so once, and leaves the
// program and its settings as they were.
TEST_F(IvrFixture, AFullDiskLeavesTheOldProgram) {
  WriteFile(folders_.Ogms() + "/Main.ini", "old");
  WriteFile(folders_.Ogms() + "/Main.wav", "old wave");
  const std::string path = Outside("big.ivr", IvrBytes().Header().File(0, "Main.ini", "new").File(0, "Main.wav", ToneWave())
      .File(0, "Other.ini", "new").Setting("settings", "ogm", "Other").End().Bytes());
  RecordingProgress progress;
  IvrLoadOutcome outcome;
  {
    FullDiskScope full(1000);
    outcome = LoadIvrProgram(folders_, path, true, progress);
  }
  EXPECT_EQ(outcome.result, kProcessFailed);
  EXPECT_EQ(outcome.messages, std::vector<std::string>{"No space left on the device in " + folders_.Ogms()});
  EXPECT_EQ(Tree(folders_.Ogms()), (std::map<std::string, std::string>{{"Main.ini", "old"}, {"Main.wav", "old wave"}}));
  EXPECT_EQ(FileText(folders_.SettingsFile()).find("ivrfile"), std::string::npos);
  EXPECT_EQ(FileText(folders_.SettingsFile()).find("Other"), std::string::npos);
}

// An unattended update keeps the programs of the OGMs, the access codes and
// delivery targets of the mailboxes and the settings as they are, and says
// what it left out; the owner's load brings them and names the OGMs that
// run programs.
TEST_F(IvrFixture, AnUpdateBringsNoProgramsTargetsOrSettings) {
  const std::string path = Outside("update.ivr", IvrBytes().Header()
      .File(0, "Main.ini", "[ivr]\nwait=5\nrun=true\nruncount=1\nrun1=/bin/sh -c id\n")
      .File(0, "New.ini", "[ivr]\nrun=true\nruncount=1\nrun1=evil\n").File(0, "Plain.ini", "[ivr]\nwait=1\n")
      .File(2, "Sales.mbx", "[mbx]\naccesscode=999\nemailaddress=evil@example.com\nbeep=true\n")
      .Setting("settings", "ogm", "New").End().Bytes());
  const struct {
    IvrLoadOrigin origin;
    std::string main, fresh, sales, ogm;
    std::vector<std::string> messages;
  } rows[] = {
      {IvrLoadOrigin::kUpdate, "[ivr]\nwait=5\nrun=true\nruncount=1\nrun1=/opt/own\n", "[ivr]\n",
       "[mbx]\nbeep=true\naccesscode=1\nemailaddress=me@example.com\n", "",
       {"Left out of the update (the files kept their own programs, delivery targets and access codes): "
        "Main.ini, New.ini, Sales.mbx",
        "Left out of the update: 1 settings"}},
      {IvrLoadOrigin::kOwner, "[ivr]\nwait=5\nrun=true\nruncount=1\nrun1=/bin/sh -c id\n",
       "[ivr]\nrun=true\nruncount=1\nrun1=evil\n", "[mbx]\naccesscode=999\nemailaddress=evil@example.com\nbeep=true\n",
       "New", {"OGMs that run programs: Main, New"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.origin == IvrLoadOrigin::kUpdate ? "update" : "owner");
    WriteFile(folders_.SettingsFile(), "");
    WriteFile(folders_.Ogms() + "/Main.ini", "[ivr]\nrun=true\nruncount=1\nrun1=/opt/own\n");
    WriteFile(folders_.MailBoxes() + "/Sales.mbx", "[mbx]\naccesscode=1\nemailaddress=me@example.com\n");
    std::filesystem::remove(folders_.Ogms() + "/New.ini");
    RecordingProgress progress;
    LIVRLoad load(folders_, path, true, row.origin);
    EXPECT_EQ(load.Process(progress), kProcessDone);
    EXPECT_EQ(load.Report().Messages(), row.messages);
    EXPECT_EQ(FileText(folders_.Ogms() + "/Main.ini"), row.main);
    EXPECT_EQ(FileText(folders_.Ogms() + "/New.ini"), row.fresh);
    EXPECT_EQ(FileText(folders_.MailBoxes() + "/Sales.mbx"), row.sales);
    EXPECT_EQ(ProfileReadString(folders_.SettingsFile(), "settings", "ogm", ""), row.ogm);
  }
}

TEST_F(IvrFixture, AFileInUseIsWaitedForAndTheWaitCanBeCancelled) {
  const std::string target = folders_.Ogms() + "/Main.ini";
  const std::string path = Outside("main.ivr", IvrBytes().Header().File(0, "Main.ini", "new").End().Bytes());
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancelled" : "released");
    WriteFile(target, "old");
    UniqueFd holder(::open(target.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(holder.Get(), LOCK_SH), 0);
    RecordingProgress progress(cancel ? 40 : -1);
    // The holder lets go after the load has looked a few times while it
    // waits, however slowly the machine runs.
    int looks = 0;
    progress.onLook = [&] {
      if (!cancel && progress.step == "Waiting for file." && ++looks == 3) holder.Reset();
    };
    EXPECT_EQ(Load(path, false, &progress).result, cancel ? kProcessCancelled : kProcessDone);
    EXPECT_NE(std::find(progress.steps.begin(), progress.steps.end(), "Waiting for file."), progress.steps.end());
    EXPECT_EQ(FileText(target), cancel ? "old" : "new");
  }
}

TEST_F(IvrFixture, ANewProgramEmptiesTheOgmsAndForgetsTheFile) {
  for (const char* name : {"Main.ini", "Main.wav", "Menu.ini", ".keep"}) WriteFile(folders_.Ogms() + "/" + name, "x");
  WriteFile(folders_.Root() + "/notes.txt", "notes");
  WriteFile(folders_.SettingsFile(), "[settings]\nivrfile=/a.ivr\nivrmodified=true\nogm=Main\n");
  EXPECT_TRUE(IvrProgramModified(folders_));
  NewIvrProgram(folders_);
  EXPECT_EQ(Tree(folders_.Ogms()).size(), 1u);  // ".keep"
  EXPECT_FALSE(std::filesystem::exists(folders_.Root() + "/notes.txt"));
  EXPECT_EQ(FileText(folders_.SettingsFile()), "[settings]\nogm=Main\n");
}

}  // namespace
