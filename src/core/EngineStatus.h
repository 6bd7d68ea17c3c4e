#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

// What the main window would show, kept in one place for the web console,
// which reads it from its own thread (every access takes the lock). The
// engine's main thread writes it as it handles the main-window messages.
// `version` grows with every change, so a reader can tell when to look again.
class EngineStatus {
 public:
  // The main window shows the first eight lines.
  static constexpr int kShownLines = 8;

  struct Snapshot {
    uint64_t version = 0;
    std::array<bool, kShownLines> lineInCall{};
    std::array<bool, kShownLines> lineSetUp{};  // a line of that number is set up
    bool on = false;
    bool newMessages = false;
    std::string answerOgm;       // [settings] "ogm" as last chosen
    std::string callerId;        // the caller-id pop-up, empty when closed
    std::string loadNotice;      // the last IVR program file handed over, then its outcome
    uint64_t loadNotices = 0;    // times it was set: a load may end with the text it had
    std::string loadStep;        // the step of the load running now, empty when none
    double loadFraction = 0;     // how far that load is, 0..1
    std::string noDevicesNotice; // set while no line could be set up
    std::string diskNotice;      // little space left, or a recording the disk refused
    std::string consoleAddress;  // where the console listens, empty without one
    uint64_t messageChanges = 0; // message rows added, refreshed or removed
    std::string lastMessage;     // the message INI path of the last change
    uint64_t showRequests = 0;   // times the window would have been shown
    // A long job of any thread (an e-mail from the console): its title, ""
    // when none runs, its step and how far it is, 0..1.
    std::string progressTitle;
    std::string progressStep;
    double progressFraction = 0;
    // Each SIP device in list order: "direct", "registering", "registered",
    // "failed: ..." or "not available".
    std::vector<std::string> deviceStates;
  };

  // The last message changes are kept for readers that poll.
  static constexpr size_t kKeptMessageChanges = 64;

  Snapshot Get() const;
  // The message INI paths changed after the first `seen` changes, oldest
  // first. `missed` is set when some of them are no longer kept.
  std::vector<std::string> MessageChangesSince(uint64_t seen, bool& missed) const;

  // Indices outside 0..7 are ignored, as the window shows no more.
  void SetLineState(int64_t index, bool inCall);
  void SetLineSetUp(int64_t index, bool setUp);
  void SetOn(bool on);
  void SetAnswerOgm(std::string name);
  void SetNewMessages(bool waiting);
  void SetCallerId(std::string text);
  void SetLoadNotice(std::string text);
  void SetLoadProgress(std::string step, double fraction);
  void SetNoDevicesNotice(std::string text);
  // Empty once a recording starts with enough space again.
  void SetDiskNotice(std::string text);
  void SetConsoleAddress(std::string address);
  void MessageChanged(std::string messageIni);
  void RequestShow();
  // Any thread may report; the title "" ends the report.
  void SetProgress(std::string title, std::string step, double fraction);
  // Counts as a change only when the states differ.
  void SetDeviceStates(std::vector<std::string> states);

 private:
  template <class Change>
  void Update(Change change) {
    std::lock_guard<std::mutex> hold(mutex_);
    change(state_);
    ++state_.version;
  }

  mutable std::mutex mutex_;
  Snapshot state_;
  std::deque<std::string> recentMessages_;
};
