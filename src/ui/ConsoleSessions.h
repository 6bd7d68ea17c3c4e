#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/LClock.h"

// The console's sessions (a random id in a cookie, with a random token the
// page sends back on every state-changing request), the password they are
// opened with and the slow-down of password guesses, counted per client
// address so a stranger's guesses do not lock out the owner. Called from the
// server's request threads.
class ConsoleSessions {
 public:
  static constexpr uint64_t kIdleMs = 8ull * 3600 * 1000;
  static constexpr size_t kMaxSessions = 64;
  // Failed logins allowed before each further attempt must wait, the wait
  // doubling from kFirstWaitMs up to kMaxWaitMs.
  static constexpr int kFreeFailures = 3;
  static constexpr uint64_t kFirstWaitMs = 1000;
  static constexpr uint64_t kMaxWaitMs = 60000;
  // Addresses with failures on record; beyond it the one that failed least
  // recently is forgotten.
  static constexpr size_t kMaxClients = 256;
  // The wait told to an address whose previous password is still checked.
  static constexpr uint64_t kBusyWaitMs = 1000;

  struct Session {
    std::string id;
    std::string token;
  };

  // `passwordHash`: the stored form (ConsolePassword.h), "" for none.
  ConsoleSessions(const LClock& clock, std::string passwordHash)
      : clock_(clock), passwordHash_(std::move(passwordHash)) {}

  // A new session; the least recently used one goes when there are too many.
  // Empty id when no random bytes could be had.
  Session Open();
  // The token of a live session (its idle time starts again), else nothing.
  std::optional<std::string> TokenOf(const std::string& id);
  void Close(const std::string& id);

  bool HasPassword() const;
  // Whether the password set is a stored hash, which a login can match.
  bool PasswordUsable() const;
  // Whether `password` is the one set; false while none is.
  bool PasswordMatches(std::string_view password) const;
  // A new password ("" removes it) takes effect at once: every session but
  // `keep` ends.
  void ChangePassword(std::string passwordHash, const std::string& keep);

  // Milliseconds until `client` (its address) may try a password again; 0 now.
  uint64_t LoginWaitMs(const std::string& client) const;
  // Before a password of `client` is checked: 0 when it may be, and the
  // attempt is then counted as failed at once, so parallel guesses meet the
  // wait too; else the milliseconds to wait (at least kBusyWaitMs while
  // another check of the address runs). Each 0 must be followed by EndLogin.
  uint64_t BeginLogin(const std::string& client);
  // The check ended: a right password forgives the address its failures.
  void EndLogin(const std::string& client, bool right);

 private:
  struct Entry {
    std::string token;
    uint64_t lastUse = 0;
  };
  const LClock& clock_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> sessions_;
  struct Failures {
    int count = 0;
    uint64_t last = 0;
    uint64_t nextAttempt = 0;
    bool checking = false;  // a password of the address is being checked
  };
  // A failure of `key` (a ClientKey), with mutex_ held.
  Failures& CountFailure(const std::string& key, uint64_t now);
  std::string passwordHash_;
  std::map<std::string, Failures> failures_;  // by ClientKey
};

// Equal secrets, compared in time that does not depend on where they differ.
bool SameSecret(const std::string& a, const std::string& b);
// `bytes` random bytes as hex; "" when the random source fails.
std::string RandomHex(size_t bytes);
