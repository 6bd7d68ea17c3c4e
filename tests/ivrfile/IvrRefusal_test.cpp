// Hostile and broken files are refused before anything is applied, and
// nothing is written anywhere (data folder, its neighbours, the temporary
// folder), not even the program file's name in the settings; the check
// alone gives the same refusal.
#include "IvrTestSupport.h"
#include "ivrfile/IvrCheck.h"
#include "ivrfile/IvrFormat.h"
#include "ivrfile/IvrProgram.h"

using namespace ivr_test;

namespace {

// A fault found in a file record is kept quiet by a quiet load.
struct Refusal { std::string what, bytes; std::string_view error; bool inFileRecord; };

TEST_F(IvrFixture, BrokenAndHostileFilesAreRefusedWithNothingWritten) {
  using namespace ivrtext;
  // A valid start that would replace an OGM, delete the others and change a
  // setting if it were applied.
  const std::string start = IvrBytes().Header().File(0, "New.ini", "[ivr]\n").List(0x10, {"New"}).Setting("settings", "ogm", "New").Bytes();
  const std::string cut = std::string(1, '\0') + "\x05" "a.ini";
  std::vector<Refusal> rows = {
      {"zero length", "", kZeroLength, false},
      {"one byte", "\xDC", kFileType, false},
      {"wrong magic", IvrBytes().Header(0xFEDD).End().Bytes(), kFileType, false},
      {"later version", IvrBytes().Header(0xFEDC, 1).File(0, "New.ini", "").End().Bytes(), kFileVersion, false},
      {"header only", IvrBytes().Header().Bytes(), kInvalidTag, false},
      {"unknown tag", start + "\x07", kInvalidTag, false},
      {"no end record", start, kInvalidTag, false},
      {"the folder list", start + IvrBytes().File(3, "Folders.INI", "[folders]\nOGMs=/etc\n").End().Bytes(), kChecksum, true},
      {"the levelling list", start + IvrBytes().File(3, "agc.dat", "/etc/passwd\n").End().Bytes(), kChecksum, true},
      {"size past the end", start + IvrBytes().FileRaw(0, "a.ini", 0xFFFFFFF0, "abc", Sum("abc")).Bytes(), kChecksum, true},
      {"content cut short", start + cut + Le32(10) + "abc", kChecksum, true},
      {"no checksum", start + cut + Le32(3) + "abc", kChecksum, true},
      {"wrong checksum", start + IvrBytes().FileRaw(2, "a.mbx", 3, "abc", Sum("abd")).End().Bytes(), kChecksum, true},
      {"keep-list cut short", start + "\x10" + Le16(3) + "\x01" "a", kInvalidTag, false},
      {"setting cut short", start + " \x08" "settings\x03" "ogm", kInvalidTag, false},
      {"section with bracket", start + IvrBytes().Setting("a]b", "k", "v").End().Bytes(), kInvalidTag, false},
      {"empty key", start + IvrBytes().Setting("settings", "", "v").End().Bytes(), kInvalidTag, false},
      {"notes cut short", start + "0" + Le16(100) + "abc", kInvalidTag, false},
  };
  // Names that climb out, name a folder or hold what no file name should.
  for (const std::string& name : std::initializer_list<std::string>{"../x.ini", "a/x.ini", "..\\x.ini", "C:x.ini", std::string("a\0b.ini", 7), "a\nb.ini",
                                 "a\x7f.ini", ".", ""})
    rows.push_back({"name " + testing::PrintToString(name), start + IvrBytes().File(0, name, "x").End().Bytes(), kChecksum, true});
  WriteFile(folders_.Ogms() + "/Old.ini", "[ivr]\n");
  WriteFile(folders_.SettingsFile(), "[settings]\nogm=Old\nivrfile=/old.ivr\nivrmodified=true\n");
  for (const Refusal& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = Outside("hostile.ivr", row.bytes);
    const auto before = Tree(dir_.Path());
    EXPECT_EQ(IvrFileProblem(path), row.error);
    for (const bool quiet : {false, true}) {
      RecordingProgress progress;
      const IvrLoadOutcome outcome = LoadIvrProgram(folders_, path, quiet, progress);
      EXPECT_EQ(outcome.result, kProcessFailed);
      EXPECT_EQ(Tree(dir_.Path()), before);
      EXPECT_EQ(outcome.messages, quiet && row.inFileRecord ? std::vector<std::string>{} : std::vector<std::string>{std::string(row.error)});
    }
  }
  for (const std::string& path : {dir_ / "none.ivr", dir_.Path()}) {
    EXPECT_EQ(Load(path).messages, std::vector<std::string>{std::string(kUnableToOpen)}) << path;
    EXPECT_EQ(IvrFileProblem(path), kUnableToOpen);
  }
}

}  // namespace
