#include "ui/ConsoleSessions.h"

#include <arpa/inet.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>

#include "ui/ConsolePassword.h"

namespace {
constexpr size_t kSecretBytes = 32;

// A request that read the clock before another stored a later use is not
// idle: the unsigned difference would wrap and end a session in use.
bool Idle(uint64_t lastUse, uint64_t now) { return now > lastUse && now - lastUse > ConsoleSessions::kIdleMs; }

// One machine's IPv6 addresses share their first 64 bits, so a guesser
// cannot pass over its wait by moving inside its own network.
std::string ClientKey(const std::string& address) {
  in6_addr ip{};
  if (::inet_pton(AF_INET6, address.c_str(), &ip) != 1 || IN6_IS_ADDR_V4MAPPED(&ip)) return address;
  std::memset(ip.s6_addr + 8, 0, 8);
  char text[INET6_ADDRSTRLEN] = {};
  return ::inet_ntop(AF_INET6, &ip, text, sizeof text) ? text : address;
}
}  // namespace

bool SameSecret(const std::string& a, const std::string& b) {
  return !a.empty() && a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

ConsoleSessions::Session ConsoleSessions::Open() {
  Session session{console_password::RandomHex(kSecretBytes), console_password::RandomHex(kSecretBytes)};
  if (session.id.empty() || session.token.empty()) return {};
  const uint64_t now = clock_.TickCount();
  std::lock_guard<std::mutex> hold(mutex_);
  std::erase_if(sessions_, [now](const auto& entry) { return Idle(entry.second.lastUse, now); });
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
  if (Idle(found->second.lastUse, now)) {
    sessions_.erase(found);
    return std::nullopt;
  }
  found->second.lastUse = std::max(found->second.lastUse, now);
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

bool ConsoleSessions::PasswordUsable() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return console_password::IsStored(passwordHash_);
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

uint64_t ConsoleSessions::LoginWaitMs(const std::string& client) const {
  const uint64_t now = clock_.TickCount();
  std::lock_guard<std::mutex> hold(mutex_);
  const auto found = failures_.find(ClientKey(client));
  if (found == failures_.end()) return 0;
  return found->second.nextAttempt > now ? found->second.nextAttempt - now : 0;
}

uint64_t ConsoleSessions::BeginLogin(const std::string& client) {
  const uint64_t now = clock_.TickCount();
  std::lock_guard<std::mutex> hold(mutex_);
  const std::string key = ClientKey(client);
  if (const auto found = failures_.find(key); found != failures_.end()) {
    const Failures& failures = found->second;
    if (failures.checking) return std::max(kBusyWaitMs, failures.nextAttempt > now ? failures.nextAttempt - now : 0);
    if (failures.nextAttempt > now) return failures.nextAttempt - now;
  }
  CountFailure(key, now).checking = true;
  return 0;
}

void ConsoleSessions::EndLogin(const std::string& client, bool right) {
  std::lock_guard<std::mutex> hold(mutex_);
  const auto found = failures_.find(ClientKey(client));
  if (found == failures_.end()) return;
  if (right)
    failures_.erase(found);
  else
    found->second.checking = false;
}

ConsoleSessions::Failures& ConsoleSessions::CountFailure(const std::string& key, uint64_t now) {
  if (!failures_.contains(key) && failures_.size() >= kMaxClients) {
    failures_.erase(std::min_element(failures_.begin(), failures_.end(), [](const auto& a, const auto& b) {
      return a.second.last < b.second.last;
    }));
  }
  Failures& failures = failures_[key];
  failures.last = now;
  if (++failures.count < kFreeFailures) return failures;
  const int doublings = std::min(failures.count - kFreeFailures, 6);
  failures.nextAttempt = now + std::min(kFirstWaitMs << doublings, kMaxWaitMs);
  return failures;
}
