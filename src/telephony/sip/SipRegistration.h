#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sipreg;
struct sip_msg;
struct tmr;
class LogFile;
class SipDevice;

// Keeps a device registered with its registrar: refreshes before expiry,
// answers digest challenges, and after a failure (registrar down, wrong
// password) retries with a growing wait. Each change of state is written to
// the system log once, failures in the error form; a failure that repeats
// is not logged again. Loop thread; unregisters when destroyed.
class SipRegistration {
 public:
  static constexpr uint64_t kFirstRetryMs = 30000;
  static constexpr uint64_t kMaxRetryMs = 1800000;

  SipRegistration(SipDevice& device, LogFile& log);
  ~SipRegistration();
  SipRegistration(const SipRegistration&) = delete;
  SipRegistration& operator=(const SipRegistration&) = delete;

  bool IsRegistered() const { return registered_; }
  // "registering" until the first answer, then "registered" or "failed: why".
  const std::string& State() const { return lastReport_; }

 private:
  void Start();
  void Report(bool registered, const std::string& detail);
  std::string RegistrarUri() const;
  static void OnResponse(int err, const struct sip_msg* msg, void* arg);
  static void OnRetry(void* arg);

  SipDevice& device_;
  LogFile& log_;
  struct sipreg* registration_ = nullptr;
  std::unique_ptr<struct tmr> retry_;
  uint64_t retryMs_ = kFirstRetryMs;
  bool registered_ = false;
  bool reported_ = false;
  std::string lastReport_ = "registering";
};
