// Hostile and broken files are refused before anything is applied, and
// nothing is written anywhere (data folder, its neighbours, the temporary
// folder).
#include "IvrTestSupport.h"
#include "ivrfile/IvrFormat.h"

using namespace ivr_test;

namespace {

// A valid start that would replace an OGM, delete the others and change a
// setting if it were applied.
std::string Prefix() {
  return IvrBytes().Header().File(0, "New.ini", "[ivr]\n").List(0x10, {"New"}).Setting("settings", "ogm", "New").Bytes();
}
std::string File(const std::string& name) { return IvrBytes().File(0, name, "x").End().Bytes(); }

struct Refusal {
  const char* what;
  std::string bytes;
  std::string_view error;
  bool inFileRecord;  // kept quiet by a quiet load
};

TEST_F(IvrFixture, BrokenAndHostileFilesAreRefusedWithNothingWritten) {
  using namespace ivrtext;
  const Refusal rows[] = {
      {"zero length", "", kZeroLength, false},
      {"one byte", "\xDC", kFileType, false},
      {"wrong magic", IvrBytes().Header(0xFEDD).End().Bytes(), kFileType, false},
      {"later version", IvrBytes().Header(0xFEDC, 1).File(0, "New.ini", "").End().Bytes(), kFileVersion, false},
      {"header only", IvrBytes().Header().Bytes(), kInvalidTag, false},
      {"unknown tag", Prefix() + "\x07", kInvalidTag, false},
      {"no end record", Prefix(), kInvalidTag, false},
      {"name climbs out", Prefix() + File("../x.ini"), kChecksum, true},
      {"name with slash", Prefix() + File("a/x.ini"), kChecksum, true},
      {"name with backslash", Prefix() + File("..\\x.ini"), kChecksum, true},
      {"drive letter", Prefix() + File("C:x.ini"), kChecksum, true},
      {"NUL in name", Prefix() + File(std::string("a\0b.ini", 7)), kChecksum, true},
      {"line break in name", Prefix() + File("a\nb.ini"), kChecksum, true},
      {"DEL in name", Prefix() + File("a\x7f.ini"), kChecksum, true},
      {"dot name", Prefix() + File("."), kChecksum, true},
      {"empty name", Prefix() + File(""), kChecksum, true},
      {"the folder list", Prefix() + IvrBytes().File(3, "Folders.INI", "[folders]\nOGMs=/etc\n").End().Bytes(), kChecksum, true},
      {"the levelling list", Prefix() + IvrBytes().File(3, "agc.dat", "/etc/passwd\n").End().Bytes(), kChecksum, true},
      {"size past the end", Prefix() + IvrBytes().FileRaw(0, "a.ini", 0xFFFFFFF0, "abc", Sum("abc")).Bytes(), kChecksum, true},
      {"content cut short", Prefix() + IvrBytes().Raw(std::string(1, '\0')).Raw("\x05" "a.ini" + Le32(10) + "abc").Bytes(), kChecksum, true},
      {"no checksum", Prefix() + IvrBytes().Raw(std::string(1, '\0')).Raw("\x05" "a.ini" + Le32(3) + "abc").Bytes(), kChecksum, true},
      {"wrong checksum", Prefix() + IvrBytes().FileRaw(2, "a.mbx", 3, "abc", Sum("abd")).End().Bytes(), kChecksum, true},
      {"keep-list cut short", Prefix() + IvrBytes().Raw("\x10" + Le16(3) + "\x01" "a").Bytes(), kInvalidTag, false},
      {"setting cut short", Prefix() + IvrBytes().Raw(" \x08" "settings\x03" "ogm").Bytes(), kInvalidTag, false},
      {"section with bracket", Prefix() + IvrBytes().Setting("a]b", "k", "v").End().Bytes(), kInvalidTag, false},
      {"empty key", Prefix() + IvrBytes().Setting("settings", "", "v").End().Bytes(), kInvalidTag, false},
      {"notes cut short", Prefix() + IvrBytes().Raw("0" + Le16(100) + "abc").Bytes(), kInvalidTag, false},
  };
  WriteFile(folders_.Ogms() + "/Old.ini", "[ivr]\n");
  WriteFile(folders_.SettingsFile(), "[settings]\nogm=Old\n");
  for (const Refusal& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = Outside("hostile.ivr", row.bytes);
    const auto before = Tree(dir_.Path());
    for (const bool quiet : {false, true}) {
      RecordingProgress progress;
      std::vector<std::string> messages;
      EXPECT_EQ(Load(path, progress, quiet, &messages), kProcessFailed);
      EXPECT_EQ(Tree(dir_.Path()), before);
      const bool shown = !(quiet && row.inFileRecord);
      EXPECT_EQ(messages, shown ? std::vector<std::string>{std::string(row.error)} : std::vector<std::string>{});
    }
  }
}

TEST_F(IvrFixture, MissingFileAndFolderAreUnableToOpen) {
  for (const std::string& path : {dir_ / "none.ivr", dir_.Path()}) {
    RecordingProgress progress;
    std::vector<std::string> messages;
    EXPECT_EQ(Load(path, progress, false, &messages), kProcessFailed) << path;
    EXPECT_EQ(messages, std::vector<std::string>{std::string(ivrtext::kUnableToOpen)});
  }
}

}  // namespace
