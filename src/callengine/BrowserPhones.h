#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "callengine/BrowserPhone.h"
#include "core/LTimerHandler.h"
#include "ui/ConsolePhones.h"

// The engine's browser phones, several at once, each an independent call.
// A phone whose page went away (its audio stream closed, or no microphone
// audio for kSilentPageMs) is hung up; every phone is freed once its call
// ended, however it ended.
class BrowserPhones final : public ConsolePhones, private LTimerHandler {
 public:
  static constexpr int kMaxPhones = 4;
  // After every real line and the simulate command's own.
  static constexpr uint8_t kFirstLineIndex = 100;
  static constexpr uint64_t kSilentPageMs = 5000;
  static constexpr uint64_t kCheckMs = 1000;

  explicit BrowserPhones(const BrowserPhoneServices &with) : with_(with) {}
  ~BrowserPhones() override;
  BrowserPhones(const BrowserPhones &) = delete;
  BrowserPhones &operator=(const BrowserPhones &) = delete;

  int Connect(const std::string &session, std::string &error) override;
  bool HangUp(int id, const std::string &session) override;
  bool PressKey(int id, const std::string &session, char key) override;
  std::optional<Phone> Find(int id, const std::string &session) const override;
  // The engine stops: every call ends now.
  void HangUpAll();

 private:
  // Timer ids above 0 free that phone; kCheckTimer looks for lost pages.
  static constexpr int kCheckTimer = 0;
  struct Entry {
    std::string session;
    std::unique_ptr<BrowserPhone> phone;
  };

  void OnTimer(int id) override;
  void OnState(int id, bool connected);
  void HangUpLostPages();
  BrowserPhone *Owned(int id, const std::string &session);
  int FreeLineIndex() const;

  const BrowserPhoneServices with_;
  // Guards the map for Find; only the main loop changes it.
  mutable std::mutex lock_;
  std::map<int, Entry> phones_;
  int lastId_ = 0;
};
