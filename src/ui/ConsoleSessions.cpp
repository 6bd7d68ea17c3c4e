#include "ui/ConsoleSessions.h"

#include <openssl/crypto.h>

#include <algorithm>

#include "ui/ConsolePassword.h"

namespace {
constexpr size_t kSecretBytes = 32;
}

bool SameSecret(const std::string& a, const std::string& b) {
  return !a.empty() && a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

ConsoleSessions::Session ConsoleSessions::Open() {
  Session session{console_password::RandomHex(kSecretBytes), console_password::RandomHex(kSecretBytes)};
  if (session.id.empty() || session.token.empty()) return {};
  const uint64_t now = clock_.TickCount();
  std::lock_guard<std::mutex> hold(mutex_);
  std::erase_if(sessions_, [now](const auto& entry) { return now - entry.second.lastUse > kIdleMs; });
  if (sessions_.size() >= kMaxSessions) {
    auto oldest = std::min_element(sessions_.begin(), sessions_.end(), [](const auto& a, const auto& b) {
      return a.second.lastUse < b.second.lastUse;
    });
    sessions_.erase(oldest);
  }
  sessions_[session.id] = Entry{session.token, now};
  return session;
}

std::optional<std::string> ConsoleSessions::TokenOf(const std::string& id) {
  const uint64_t now = clock_.TickCount();
  std::lock_guard<std::mutex> hold(mutex_);
  auto found = sessions_.find(id);
  if (found == sessions_.end()) return std::nullopt;
  if (now - found->second.lastUse > kIdleMs) {
    sessions_.erase(found);
    return std::nullopt;
  }
  found->second.lastUse = now;
  return found->second.token;
}

void ConsoleSessions::Close(const std::string& id) {
  std::lock_guard<std::mutex> hold(mutex_);
  sessions_.erase(id);
}

bool ConsoleSessions::HasPassword() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return !passwordHash_.empty();
}

// The slow derivation runs outside the lock, on a copy.
bool ConsoleSessions::PasswordMatches(std::string_view password) const {
  std::unique_lock<std::mutex> hold(mutex_);
  const std::string stored = passwordHash_;
  hold.unlock();
  return console_password::Verify(password, stored);
}

void ConsoleSessions::ChangePassword(std::string passwordHash, const std::string& keep) {
  std::lock_guard<std::mutex> hold(mutex_);
  passwordHash_ = std::move(passwordHash);
  std::erase_if(sessions_, [&keep](const auto& entry) { return entry.first != keep; });
}

uint64_t ConsoleSessions::LoginWaitMs() const {
  const uint64_t now = clock_.TickCount();
  std::lock_guard<std::mutex> hold(mutex_);
  return nextAttempt_ > now ? nextAttempt_ - now : 0;
}

void ConsoleSessions::LoginFailed() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (++failures_ < kFreeFailures) return;
  const int doublings = std::min(failures_ - kFreeFailures, 6);
  const uint64_t wait = std::min(kFirstWaitMs << doublings, kMaxWaitMs);
  nextAttempt_ = clock_.TickCount() + wait;
}

void ConsoleSessions::LoginSucceeded() {
  std::lock_guard<std::mutex> hold(mutex_);
  failures_ = 0;
  nextAttempt_ = 0;
}
