#include "core/EngineStatus.h"

#include <utility>

EngineStatus::Snapshot EngineStatus::Get() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return state_;
}

void EngineStatus::SetLineState(int64_t index, bool inCall) {
  if (index < 0 || index >= kShownLines) return;
  Update([&](Snapshot& s) { s.lineInCall[static_cast<size_t>(index)] = inCall; });
}

void EngineStatus::SetOn(bool on) {
  Update([&](Snapshot& s) { s.on = on; });
}

void EngineStatus::SetNewMessages(bool waiting) {
  Update([&](Snapshot& s) { s.newMessages = waiting; });
}

void EngineStatus::SetCallerId(std::string text) {
  Update([&](Snapshot& s) { s.callerId = std::move(text); });
}

void EngineStatus::SetLoadNotice(std::string text) {
  Update([&](Snapshot& s) { s.loadNotice = std::move(text); });
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
    s.lastMessage = std::move(messageIni);
  });
}

void EngineStatus::RequestShow() {
  Update([](Snapshot& s) { ++s.showRequests; });
}
