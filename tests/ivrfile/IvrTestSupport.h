#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "audio/TestSources.h"
#include "audio/WaveTestFiles.h"
#include "core/DataFolders.h"
#include "ivrfile/IvrProgram.h"
#include "ivrfile/LIVRLoad.h"
#include "support/TempDir.h"

namespace ivr_test {

using wave_test::Le16;
using wave_test::Le32;

inline uint32_t Sum(const std::string& content) {
  uint32_t sum = 0xFFFFFFFF;
  for (unsigned char c : content) sum += c;
  return sum;
}

// An ".ivr" file built byte by byte, apart from the writer under test.
class IvrBytes {
 public:
  IvrBytes& Header(uint16_t magic = 0xFEDC, uint16_t version = 0) { return Raw(Le16(magic) + Le16(version)); }
  IvrBytes& File(uint8_t tag, const std::string& name, const std::string& content) {
    return FileRaw(tag, name, static_cast<uint32_t>(content.size()), content, Sum(content));
  }
  IvrBytes& FileRaw(uint8_t tag, const std::string& name, uint32_t size, const std::string& content,
                    uint32_t checksum) {
    return Raw(std::string(1, static_cast<char>(tag)) + Short(name) + Le32(size) + content + Le32(checksum));
  }
  IvrBytes& List(uint8_t tag, const std::vector<std::string>& titles) {
    Raw(std::string(1, static_cast<char>(tag)) + Le16(static_cast<uint16_t>(titles.size())));
    for (const std::string& title : titles) Raw(Short(title));
    return *this;
  }
  IvrBytes& Setting(const std::string& section, const std::string& key, const std::string& value) {
    return Raw(" " + Short(section) + Short(key) + Short(value));
  }
  IvrBytes& Notes(const std::string& text) { return Raw("0" + Le16(static_cast<uint16_t>(text.size())) + text); }
  IvrBytes& ShowNotes() { return Raw("1"); }
  IvrBytes& End() { return Raw("\xFF"); }
  IvrBytes& Raw(const std::string& bytes) { bytes_ += bytes; return *this; }
  const std::string& Bytes() const { return bytes_; }

 private:
  static std::string Short(const std::string& text) { return std::string(1, static_cast<char>(text.size())) + text; }
  std::string bytes_;
};

inline void WriteFile(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

// Every file under `folder` (relative path -> content).
inline std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[std::filesystem::relative(entry.path(), folder).string()] = FileText(entry.path());
  }
  return files;
}

// One second of a 16-bit tone (in the line format unless told otherwise).
inline std::string ToneWave(int32_t rate = 8000, uint16_t channels = 1) {
  std::string data;
  for (int32_t i = 0; i < rate * channels; ++i) data += Le16(static_cast<uint16_t>(static_cast<int16_t>(SineAt(8000, 440, rate, i / channels))));
  return wave_test::WaveFile(channels, static_cast<uint32_t>(rate), 16, data);
}

// A data folder in a temporary folder, with $TMPDIR moved to a folder the
// tests can watch; files made "outside" go next to the data folder.
class IvrFixture : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.Path().empty());
    folders_ = MakeFolders("data");
    ::mkdir(temp_.c_str(), 0700);
  }

  DataFolders MakeFolders(const std::string& name) {
    DataFolders folders = DataFolders::Resolve(dir_ / name);
    EXPECT_TRUE(folders.CreateMissing());
    return folders;
  }
  std::string Outside(const std::string& name, const std::string& content) {
    WriteFile(dir_ / name, content);
    return dir_ / name;
  }
  // The load itself, without what the load command adds around it.
  IvrLoadOutcome Load(const std::string& path, bool quiet = false, RecordingProgress* progress = nullptr) {
    RecordingProgress own;
    LIVRLoad load(folders_, path, quiet);
    IvrLoadOutcome outcome;
    outcome.result = load.Process(progress ? *progress : own);
    outcome.messages = load.Report().Messages();
    return outcome;
  }

  TempDir dir_;
  DataFolders folders_;
  std::string temp_ = dir_ / "tmp";
  TmpDirScope tmpScope_{temp_};
};

}  // namespace ivr_test
