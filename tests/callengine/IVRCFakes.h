#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/LSRCNull.h"
#include "audio/TestSources.h"
#include "IVRCMainFixture.h"
#include "callengine/IVRCCommands.h"
#include "callengine/IVRCMain.h"
#include "callengine/IVRCServices.h"

// Commands that note every action asked for; `taken` says whether one was
// taken, `effect` runs as the action.
class RecordingCommands final : public IVRCCommands {
 public:
  bool ExecuteAction(IVRCMain &controller, const std::string &ogmIni, std::string_view section,
                     std::string_view key) override {
    keys.emplace_back(key), lastFile = ogmIni, lastSection = section;
    if (effect) effect(controller);
    return taken;
  }
  std::vector<std::string> keys;
  std::string lastFile, lastSection;
  bool taken = true;
  std::function<void(IVRCMain &)> effect;
};

// Services that note their use; speech plays `speech` (silence by default)
// and the answer detector hands its result to the test.
class RecordingServices final : public IVRCServices {
 public:
  LSoundSourceRef OpenSpeech(const std::string &text, int voice) override {
    spoken.push_back(text), voices.push_back(voice);
    return speech ? speech : LSoundSourceRef(new LSRCNull);
  }
  LSoundSinkRef OpenAnswerDetector(AnswerResult result, int32_t timeoutMs,
                                   int32_t silenceMs) override {
    detection = std::move(result), detectorTimeoutMs = timeoutMs, detectorSilenceMs = silenceMs;
    return new CollectSink(8000, 1);  // stands in for the answer detector
  }
  void AddOutboundEntry(const std::string &entry) override { outbound.push_back(entry); }
  void AddLevellingWork(const std::string &path) override { levelled.push_back(path); }

  LSoundSourceRef speech;
  std::vector<std::string> spoken, outbound, levelled;
  std::vector<int> voices;
  AnswerResult detection;
  int32_t detectorTimeoutMs = 0, detectorSilenceMs = 0;
};

// A controller with recording commands and services.
class FakedTest : public IVRCMainTest {
 protected:
  FakedTest() { controller_.SetCommands(&commands_), controller_.SetServices(&services_); }
  // The answer detector decides `result`; the recording reaches `position`.
  void Detect(uint8_t result, int32_t position = 500) {
    services_.detection->store(result);
    line_.ReportRecordPosition(position);
  }
  RecordingCommands commands_;
  RecordingServices services_;
};
