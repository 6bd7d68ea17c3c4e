#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "telephony/line/LLineNotify.h"

// A handler that writes down every notification it receives, as text.
class RecordingNotify final : public LLineNotify {
 public:
  bool Answer(int ring) override {
    Note("Answer " + std::to_string(ring));
    return ring >= answerAtRing;
  }
  void lnntfStart() override { Note("Start"); }
  void lnntfPress(char key) override { Note(std::string("Press ") + key); }
  void lnntfDialComplete() override { Note("DialComplete"); }
  void lnntfPlayComplete() override { Note("PlayComplete"); }
  void lnntfWaitComplete() override { Note("WaitComplete"); }
  void lnntfRecordComplete() override { Note("RecordComplete"); }
  void lnntfRecordPosition(uint32_t ms) override { Note("RecordPosition " + std::to_string(ms)); }
  void lnntfRecordLevel(int8_t level) override { Note("RecordLevel " + std::to_string(level)); }
  void lnntfPlayPosition(uint32_t ms) override { Note("PlayPosition " + std::to_string(ms)); }
  void lnntfPlayLevel(int8_t level) override { Note("PlayLevel " + std::to_string(level)); }
  void lnntfFax() override { Note("Fax"); }
  void lnntfEndOfCallBusyTone() override { Note("EndOfCallBusyTone"); }
  void lnntfDisconnect() override { Note("Disconnect"); }

  std::vector<std::string> Take() { return std::exchange(heard, {}); }

  int answerAtRing = 1;
  std::function<void(const std::string &)> onNote;  // runs after each note
  std::vector<std::string> heard;

 private:
  void Note(const std::string &text) {
    heard.push_back(text);
    if (onNote) onNote(text);
  }
};
