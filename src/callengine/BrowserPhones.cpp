#include "callengine/BrowserPhones.h"

#include <chrono>

#include "core/MainLoop.h"

BrowserPhones::~BrowserPhones() {
  HangUpAll();
  with_.loop.KillTimers(this);
}

int BrowserPhones::FreeLineIndex() const {
  for (int index = kFirstLineIndex; index < kFirstLineIndex + kMaxPhones; ++index) {
    bool used = false;
    for (const auto &[id, entry] : phones_) used = used || entry.phone->LineIndex() == index;
    if (!used) return index;
  }
  return -1;
}

int BrowserPhones::Connect(const std::string &session, std::string &error) {
  const int index = FreeLineIndex();
  if (index < 0) {
    error = "all " + std::to_string(kMaxPhones) + " phones are in calls";
    return 0;
  }
  auto phone = std::make_unique<BrowserPhone>(with_, static_cast<uint8_t>(index));
  if (!phone->Line().ConnectCall()) {
    error =
        "The call was not answered (answering is off, office hours do not answer now, or the OGM "
        "is missing or not valid now)";
    return 0;
  }
  const int id = ++lastId_;
  phone->Line().SetStateListener([this, id](bool connected) { OnState(id, connected); });
  {
    std::lock_guard<std::mutex> hold(lock_);
    phones_.emplace(id, Entry{session, std::move(phone)});
  }
  with_.loop.SetTimer(this, kCheckTimer, kCheckMs);
  return id;
}

BrowserPhone *BrowserPhones::Owned(int id, const std::string &session) {
  const auto found = phones_.find(id);
  if (found == phones_.end() || found->second.session != session) return nullptr;
  BrowserPhone *phone = found->second.phone.get();
  return phone->Line().IsConnected() ? phone : nullptr;
}

bool BrowserPhones::HangUp(int id, const std::string &session) {
  BrowserPhone *phone = Owned(id, session);
  if (phone) phone->Line().HangUp();
  return phone != nullptr;
}

bool BrowserPhones::PressKey(int id, const std::string &session, char key) {
  BrowserPhone *phone = Owned(id, session);
  if (phone) phone->Line().PressKey(key);
  return phone != nullptr;
}

std::optional<ConsolePhones::Phone> BrowserPhones::Find(int id, const std::string &session) const {
  std::lock_guard<std::mutex> hold(lock_);
  const auto found = phones_.find(id);
  if (found == phones_.end() || found->second.session != session) return std::nullopt;
  return Phone{found->second.phone->Link(), found->second.phone->CallFile()};
}

void BrowserPhones::HangUpAll() {
  for (auto &[id, entry] : phones_) entry.phone->Line().HangUp();
}

// The line tells inside its own calls: the phone is freed from the loop.
void BrowserPhones::OnState(int id, bool connected) {
  if (connected) return;
  phones_.at(id).phone->Link()->Close();
  with_.loop.SetTimer(this, id, 0);
}

void BrowserPhones::OnTimer(int id) {
  if (id == kCheckTimer) return HangUpLostPages();
  std::lock_guard<std::mutex> hold(lock_);
  phones_.erase(id);
}

void BrowserPhones::HangUpLostPages() {
  const auto lost = LWaveNetworkLink::Clock::now() - std::chrono::milliseconds(kSilentPageMs);
  for (auto &[id, entry] : phones_) {
    const LWaveNetworkLink &link = *entry.phone->Link();
    if (link.Closed() || link.LastHeard() < lost) entry.phone->Line().HangUp();
  }
  if (!phones_.empty()) with_.loop.SetTimer(this, kCheckTimer, kCheckMs);
}
