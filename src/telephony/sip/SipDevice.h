#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "telephony/sip/SipDeviceSettings.h"
#include "telephony/sip/SipProviderHosts.h"
#include "telephony/sip/SipRefusalLog.h"

struct sip;
struct sip_lsnr;
struct sip_msg;
struct sipsess_sock;
struct sipevent_sock;
struct dnsc;
struct tls;
struct sa;
class LogFile;
class SipCall;
class SipCallListener;
class SipDeviceListener;
class LRtpMediaThread;
class SipReaper;
class SipRegistration;
class SipTcpGuard;

// One configured SIP endpoint on the loop thread: its own SIP stack
// instance listening on the local address (UDP, plus TCP or TLS), its
// registration when it registers, the incoming calls it offers to its
// listener and the outgoing calls it places. The device outlives its calls.
// A registering device takes calls from its provider's hosts only (unless
// set to take any host) and gives its password to nobody else.
class SipDevice {
 public:
  // When the configured port is taken, the next ones are tried (logged).
  static constexpr int kPortTries = 20;
  // The methods we take, for Allow headers.
  static constexpr const char* kAllow = "INVITE, ACK, BYE, CANCEL, OPTIONS, INFO, NOTIFY";

  // Null when the device cannot listen (logged as an error).
  static std::unique_ptr<SipDevice> Open(const SipDeviceSettings& settings, struct dnsc* dns,
                                         SipReaper& reaper, LRtpMediaThread& media, LogFile& log);
  ~SipDevice();
  SipDevice(const SipDevice&) = delete;
  SipDevice& operator=(const SipDevice&) = delete;

  const SipDeviceSettings& Settings() const { return settings_; }
  // The UDP address actually listened on, "ip:port".
  const std::string& ListenAddress() const { return listenAddress_; }
  uint16_t ListenPort() const { return listenPort_; }
  bool IsRegistered() const;
  // "direct" for an endpoint that does not register, else its registration's
  // state.
  std::string RegistrationState() const;
  // Ends the registration (an unREGISTER goes out while the loop runs).
  void Unregister();

  // Null listener: incoming calls are refused with 480.
  void SetListener(SipDeviceListener* listener) { listener_ = listener; }
  // An INVITE to `number` (digits, user@host or a SIP URI) with digest
  // authentication; null when it cannot be sent.
  std::unique_ptr<SipCall> PlaceCall(const std::string& number, SipCallListener& listener);

  // For the calls of this device.
  struct sip* Stack() const { return sip_; }
  struct sipsess_sock* Sessions() const { return sessions_; }
  struct sipevent_sock* Events() const { return events_; }
  SipReaper& Reaper() const { return reaper_; }
  LRtpMediaThread& MediaThread() const { return media_; }
  LogFile& Log() const { return log_; }
  std::string ContactUser() const;
  // A new reference to our digest credentials (SipCredentials), only for
  // requests to the provider (else null: a challenge then goes unanswered).
  void* NewCredentials(bool toProvider) const;
  // Whether requests from `source` come from the registrar or the outbound
  // proxy.
  bool IsProvider(const struct sa& source) const { return providers_.Contains(source); }
  // Whether a request to `uri` goes to the provider (through the outbound
  // proxy, or to the registrar's host or domain).
  bool IsProviderTarget(const std::string& uri) const;
  // Whether the caller's P-Asserted-Identity is to be believed: a direct
  // device trusts whoever calls it, a registering one its provider only.
  bool TrustsIdentityFrom(const struct sa& source) const;
  // "SIP device <name>: calls from <source> <what>" in the system log, now
  // and then per source and refusal, not for every request.
  void LogRefusal(const struct sa& source, const std::string& what);
  // The registrar answered from `source`.
  void AddProvider(const struct sa& source) { providers_.Add(source); }
  // False for numbers that cannot go into a request line.
  static bool IsUsableNumber(const std::string& number);
  // "sip:…", "sips:…" or "user@host": called as it is, not as digits.
  static bool IsAddress(const std::string& number);
  std::string OwnUri() const;
  // The request URI for a number; the transport parameter is added.
  std::string TargetUri(const std::string& number) const;
  // The outbound proxy as a loose route, empty when none is set.
  std::string OutboundRoute() const;
  // The address our media uses when talking to `peer` (null: any peer).
  std::string MediaIp(const struct sa* peer) const;

 private:
  SipDevice(const SipDeviceSettings& settings, SipReaper& reaper, LRtpMediaThread& media,
            LogFile& log);
  bool Listen(struct dnsc* dns);
  int AddTransports(const struct sa& local);
  void GuardTcp(const struct sa& local);
  static bool OnRequest(const struct sip_msg* msg, void* arg);
  static void OnInvite(const struct sip_msg* msg, void* arg);
  bool RefusesSource(const struct sip_msg& invite);
  void LogRefusal(const std::string& subject, const std::string& source, const std::string& what);

  const SipDeviceSettings settings_;
  SipReaper& reaper_;
  LRtpMediaThread& media_;
  LogFile& log_;
  SipDeviceListener* listener_ = nullptr;
  struct sip* sip_ = nullptr;
  struct tls* tls_ = nullptr;
  struct sipsess_sock* sessions_ = nullptr;
  struct sipevent_sock* events_ = nullptr;
  struct sip_lsnr* requests_ = nullptr;
  SipProviderHosts providers_;
  SipRefusalLog refusals_;
  std::unique_ptr<SipRegistration> registration_;
  std::unique_ptr<SipTcpGuard> tcpGuard_;
  std::string listenAddress_;
  uint16_t listenPort_ = 0;
};
