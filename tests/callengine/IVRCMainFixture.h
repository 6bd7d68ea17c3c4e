#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "LocalTime.h"
#include "audio/WaveTestFiles.h"
#include "callengine/IVRCMain.h"
#include "core/DataFolders.h"
#include "core/MainMessages.h"
#include "core/ManualClock.h"
#include "core/Profile.h"
#include "log/LogFile.h"
#include "log/StatusDisplay.h"
#include "support/ScriptedLine.h"
#include "support/TempDir.h"

// A main window that keeps what it is sent.
class RecordingWindow final : public IVRCMainWindow {
 public:
  void Post(LMessage message) override { messages.push_back(std::move(message)); }
  void SetTimer(int id, uint32_t ms) override { timers.emplace_back(id, ms); }
  std::vector<LMessage> messages;
  std::vector<std::pair<int, uint32_t>> timers;
};

// One controller on line 0 of a scripted line, with its own data folders;
// Monday 8 January 2024, 20:00 local time.
class IVRCMainTest : public ::testing::Test {
 protected:
  using OK = ScriptedLine::OpKind;
  using S = IVRCMain;
  using Texts = std::vector<std::string>;

  IVRCMainTest() { folders_.CreateMissing(); }

  void Settings(const std::string &text) { Write(folders_.SettingsFile(), text); }
  // An OGM definition with the given [ivr] keys (and any further sections).
  void Ogm(const std::string &name, const std::string &ivr = "", const std::string &more = "") {
    Write(folders_.Ogms() + "/" + name + ".ini", "[ivr]\n" + ivr + more);
  }
  // A silent 16-bit mono WAVE file of `ms` milliseconds at 8000 Hz.
  void Wave(const std::string &path, uint32_t ms) {
    Write(path, wave_test::WaveFile(1, 8000, 16, std::string(ms * 16, '\0')));
  }
  void Prompt(const std::string &name, uint32_t ms) {
    Wave(folders_.SystemPrompts() + "/" + name + ".wav", ms);
  }
  static void Write(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
    ProfileFlush(path);
  }
  // The lines of today's call or system log (time stamps removed).
  std::vector<std::string> CallLog() const { return DailyLog("Call Log.txt"); }
  std::vector<std::string> SystemLog() const { return DailyLog("System Log.txt"); }
  std::vector<std::string> DailyLog(const std::string &which) const {
    std::vector<std::string> lines;
    for (const auto &entry : std::filesystem::directory_iterator(folders_.Logs())) {
      if (!entry.path().string().ends_with(which)) continue;
      std::istringstream in(FileText(entry.path()));
      for (std::string line; std::getline(in, line);)
        if (line.size() > 10) lines.push_back(line.substr(9, line.size() - 10));  // less "\r"
    }
    return lines;
  }
  // Ends any call still connected, then rings an offered call until
  // answered; the ring answered or 0.
  int Ring(int rings, const std::string &number = "5551234") {
    if (line_.IsConnected()) line_.HangUp();
    line_.Offer(number, "Ann Caller", "200");
    return line_.RingUntilAnswered(rings);
  }
  // Answers a call to the default OGM with the given [ivr] keys (and audio of
  // `waveMs`) and connects it.
  void Connect(const std::string &ivr = "", uint32_t waveMs = 0) {
    Ogm("Default Answering Message", ivr);
    if (waveMs > 0) Wave(folders_.Ogms() + "/Default Answering Message.wav", waveMs);
    ASSERT_EQ(Ring(3), 3);
    line_.Connect();
  }
  // A connected call to the default OGM with a second of audio; no ops yet.
  void Answer(const std::string &ivr = "wait=30\n") { Connect(ivr, 1000), line_.ClearOps(); }
  std::vector<std::string> Dialled() const { return OpTexts(ScriptedLine::OpKind::Dial); }
  std::vector<std::string> OpTexts(ScriptedLine::OpKind kind) const {
    std::vector<std::string> texts;
    for (const auto &op : line_.OpsOf(kind)) texts.push_back(op.text);
    return texts;
  }
  bool InLog(const std::string &text) const { return CallFile().find(text) != std::string::npos; }
  ScriptedLine::OpKind LastKind() const { return line_.LastOp()->kind; }
  std::string Parm(const std::string &name) const { return controller_.Parameters().GetParm(name); }
  std::string CallFile() const { return FileText(controller_.MostRecentCallFile()); }
  std::size_t Count(ScriptedLine::OpKind kind) const { return line_.OpsOf(kind).size(); }

  TempDir dir_;
  DataFolders folders_ = DataFolders::Resolve(dir_.Path());
  ManualClock clock_{LocalTime(2024, 1, 8, 20, 0, 0), 100000};
  StatusDisplay display_{clock_};
  LogFile logFile_{folders_.Logs(), clock_, display_};
  ScriptedLine line_{clock_};
  RecordingWindow window_;
  IVRCMain controller_{line_, 0, folders_, clock_, logFile_, &window_};
};
