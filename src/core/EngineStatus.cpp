#include "core/EngineStatus.h"

#include <cstddef>
#include <utility>

EngineStatus::Snapshot EngineStatus::Get() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return state_;
}

void EngineStatus::SetLineState(int64_t index, bool inCall) {
  if (index < 0 || index >= kShownLines) return;
  Update([&](Snapshot& s) { s.lineInCall[static_cast<size_t>(index)] = inCall; });
}

void EngineStatus::SetLineSetUp(int64_t index, bool setUp) {
  if (index < 0 || index >= kShownLines) return;
  Update([&](Snapshot& s) { s.lineSetUp[static_cast<size_t>(index)] = setUp; });
}

void EngineStatus::SetOn(bool on) {
  Update([&](Snapshot& s) { s.on = on; });
}

void EngineStatus::SetAnswerOgm(std::string name) {
  Update([&](Snapshot& s) { s.answerOgm = std::move(name); });
}

void EngineStatus::SetNewMessages(bool waiting) {
  Update([&](Snapshot& s) { s.newMessages = waiting; });
}

void EngineStatus::SetCallerId(std::string text) {
  Update([&](Snapshot& s) { s.callerId = std::move(text); });
}

void EngineStatus::SetLoadNotice(std::string text) {
  Update([&](Snapshot& s) {
    s.loadNotice = std::move(text);
    ++s.loadNotices;
  });
}

void EngineStatus::SetLoadProgress(std::string step, double fraction) {
  Update([&](Snapshot& s) {
    s.loadStep = std::move(step);
    s.loadFraction = fraction;
  });
}

void EngineStatus::SetNoDevicesNotice(std::string text) {
  Update([&](Snapshot& s) { s.noDevicesNotice = std::move(text); });
}

// Every recording start sets it: only a change counts as one.
void EngineStatus::SetDiskNotice(std::string text) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (state_.diskNotice == text) return;
  state_.diskNotice = std::move(text);
  ++state_.version;
}

void EngineStatus::SetConsoleAddress(std::string address) {
  Update([&](Snapshot& s) { s.consoleAddress = std::move(address); });
}

void EngineStatus::MessageChanged(std::string messageIni) {
  Update([&](Snapshot& s) {
    ++s.messageChanges;
    if (recentMessages_.size() == kKeptMessageChanges) recentMessages_.pop_front();
    recentMessages_.push_back(messageIni);
    s.lastMessage = std::move(messageIni);
  });
}

std::vector<std::string> EngineStatus::MessageChangesSince(uint64_t seen, bool& missed) const {
  std::lock_guard<std::mutex> hold(mutex_);
  const uint64_t news = state_.messageChanges > seen ? state_.messageChanges - seen : 0;
  missed = news > recentMessages_.size();
  const size_t taken = missed ? recentMessages_.size() : static_cast<size_t>(news);
  return {recentMessages_.end() - static_cast<std::ptrdiff_t>(taken), recentMessages_.end()};
}

void EngineStatus::RequestShow() {
  Update([](Snapshot& s) { ++s.showRequests; });
}

void EngineStatus::SetProgress(std::string title, std::string step, double fraction) {
  Update([&](Snapshot& s) {
    s.progressTitle = std::move(title);
    s.progressStep = std::move(step);
    s.progressFraction = fraction;
  });
}

void EngineStatus::SetDeviceStates(std::vector<std::string> states) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (state_.deviceStates == states) return;
  state_.deviceStates = std::move(states);
  ++state_.version;
}
