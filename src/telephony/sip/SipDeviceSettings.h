#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class SipDeviceMode { kDirect, kRegister };
enum class SipTransport { kUdp, kTcp, kTls };
enum class SipDtmfMode { kRfc4733, kInfo, kInband };
// Whose RTP may take over a call's stream early in the call (a caller behind
// NAT sends from another address than its SDP names): nobody's, the host
// the call's signalling came from, or any host.
enum class SipRtpLatchMode { kOff, kSignalling, kAny };

// One SIP device as configured in the settings file, section "sipdevice<n>":
// a direct endpoint that takes calls on its local address, or an account
// that registers with a SIP server. Read when the device is opened.
struct SipDeviceSettings {
  // Devices are numbered sipdevice0 .. sipdevice31; gaps are skipped.
  static constexpr int kMaxDevices = 32;
  static constexpr int kDefaultExpirySeconds = 3600;
  static constexpr int kMinExpirySeconds = 60;
  static constexpr const char* kDefaultLocalAddress = "127.0.0.1:5060";

  int index = 0;
  std::string name;
  SipDeviceMode mode = SipDeviceMode::kDirect;
  std::string user;
  std::string authUser;
  std::string password;
  // Server to register with ("host[:port]" or a sip: URI).
  std::string registrar;
  // Domain of our address; the registrar's host when empty.
  std::string domain;
  std::string outboundProxy;
  SipTransport transport = SipTransport::kUdp;
  // "ip:port" to listen on; port 0 takes any free port.
  std::string localAddress;
  int expirySeconds = kDefaultExpirySeconds;
  SipDtmfMode dtmfMode = SipDtmfMode::kRfc4733;
  SipRtpLatchMode rtpLatch = SipRtpLatchMode::kSignalling;
  // A registering device takes calls from its registrar and outbound proxy
  // only, unless this is set ("anyhost").
  bool acceptAnyHost = false;

  // The device in section "sipdevice<index>", or nothing when that section
  // has none of the device keys. Unknown words fall back to the defaults.
  static bool Read(const std::string& settingsFile, int index, SipDeviceSettings& device);
  // Every configured device in section order.
  static std::vector<SipDeviceSettings> ReadAll(const std::string& settingsFile);
  // The first-start device: a direct endpoint on the loopback address.
  static bool WriteDefault(const std::string& settingsFile);

  static std::string SectionName(int index);
  // The user name for digest authentication.
  const std::string& AuthName() const { return authUser.empty() ? user : authUser; }
  // The domain of our SIP address: "domain", else the registrar's host, else
  // the host of the local address.
  std::string AddressDomain() const;
  // Where a bare number is called: "domain", else the registrar's host and
  // port, else the host of the local address.
  std::string DialDomain() const;
  // The hosts of the registrar and the outbound proxy, those that are set.
  std::vector<std::string> ProviderHosts() const;
  // Whether a request to `address` ("sip:user@host…", "host:port") goes to
  // the provider: the host is the registrar's, the outbound proxy's or,
  // with a registrar, the domain.
  bool IsProviderHost(std::string_view address) const;
};
