#include "telephony/sip/SipDeviceSettings.h"

#include <algorithm>
#include <iterator>

#include "core/Profile.h"
#include "core/ProfileValues.h"
#include "core/TextCompare.h"

namespace {

// Every key a device section may hold, with the value a missing key reads as.
struct DeviceKey {
  const char* key;
  const char* defaultValue;
};

constexpr DeviceKey kKeys[] = {
    {"name", ""},         {"mode", "direct"},    {"user", ""},
    {"authuser", ""},     {"password", ""},      {"registrar", ""},
    {"domain", ""},       {"outboundproxy", ""}, {"transport", "udp"},
    {"localaddress", ""}, {"expiry", "3600"},    {"dtmfmode", "rfc4733"},
    {"rtplatch", "signalling"}, {"anyhost", "false"},
};
enum KeyIndex {
  kName, kMode, kUser, kAuthUser, kPassword, kRegistrar, kDomain, kOutboundProxy,
  kTransport, kLocalAddress, kExpiry, kDtmfMode, kRtpLatch, kAnyHost, kKeyCount
};
static_assert(std::size(kKeys) == kKeyCount);

// Distinguishes a missing key from any stored text.
constexpr const char* kAbsent = "\x01";

bool Is(const std::string& value, const char* word) { return EqualIgnoringCase(value, word); }

SipTransport TransportFrom(const std::string& value) {
  if (Is(value, "tcp")) return SipTransport::kTcp;
  if (Is(value, "tls")) return SipTransport::kTls;
  return SipTransport::kUdp;
}

SipDtmfMode DtmfModeFrom(const std::string& value) {
  if (Is(value, "info")) return SipDtmfMode::kInfo;
  if (Is(value, "inband")) return SipDtmfMode::kInband;
  return SipDtmfMode::kRfc4733;
}

SipRtpLatchMode RtpLatchFrom(const std::string& value) {
  if (Is(value, "off")) return SipRtpLatchMode::kOff;
  if (Is(value, "any")) return SipRtpLatchMode::kAny;
  return SipRtpLatchMode::kSignalling;
}

// "sip:user@host:port;params", "host:port" or "[v6]:port" -> "host:port".
std::string_view HostPortOf(std::string_view address) {
  if (const size_t colon = address.find(':');
      colon != std::string_view::npos && (address.starts_with("sip:") || address.starts_with("sips:")))
    address.remove_prefix(colon + 1);
  if (const size_t at = address.find('@'); at != std::string_view::npos) address.remove_prefix(at + 1);
  return address.substr(0, address.find_first_of(";?>"));
}

// "sip:host:port;params", "host:port" or "[v6]:port" -> host.
std::string HostOf(std::string_view address) {
  address = HostPortOf(address);
  if (address.starts_with('[')) return std::string(address.substr(0, address.find(']') + 1));
  return std::string(address.substr(0, address.find(':')));
}

}  // namespace

std::string SipDeviceSettings::SectionName(int index) { return "sipdevice" + std::to_string(index); }

bool SipDeviceSettings::Read(const std::string& settingsFile, int index, SipDeviceSettings& device) {
  const std::string section = SectionName(index);
  std::string values[kKeyCount];
  bool any = false;
  for (int i = 0; i < kKeyCount; ++i) {
    values[i] = ProfileReadString(settingsFile, section, kKeys[i].key, kAbsent);
    if (values[i] == kAbsent)
      values[i] = kKeys[i].defaultValue;
    else
      any = true;
  }
  if (!any) return false;
  device = SipDeviceSettings{};
  device.index = index;
  device.name = values[kName].empty() ? "SIP device " + std::to_string(index) : values[kName];
  device.mode = Is(values[kMode], "register") ? SipDeviceMode::kRegister : SipDeviceMode::kDirect;
  device.user = values[kUser];
  device.authUser = values[kAuthUser];
  device.password = values[kPassword];
  device.registrar = values[kRegistrar];
  device.domain = values[kDomain];
  device.outboundProxy = values[kOutboundProxy];
  device.transport = TransportFrom(values[kTransport]);
  device.localAddress = values[kLocalAddress].empty() ? "0.0.0.0:5060" : values[kLocalAddress];
  device.expirySeconds = std::max(kMinExpirySeconds, ParseLeadingInt(values[kExpiry]));
  device.dtmfMode = DtmfModeFrom(values[kDtmfMode]);
  device.rtpLatch = RtpLatchFrom(values[kRtpLatch]);
  device.acceptAnyHost = values[kAnyHost].starts_with('t');
  return true;
}

std::vector<SipDeviceSettings> SipDeviceSettings::ReadAll(const std::string& settingsFile) {
  std::vector<SipDeviceSettings> devices;
  for (int index = 0; index < kMaxDevices; ++index) {
    SipDeviceSettings device;
    if (Read(settingsFile, index, device)) devices.push_back(std::move(device));
  }
  return devices;
}

bool SipDeviceSettings::WriteDefault(const std::string& settingsFile) {
  const std::string section = SectionName(0);
  bool ok = ProfileWriteString(settingsFile, section, kKeys[kName].key, "Local SIP");
  ok = ProfileWriteString(settingsFile, section, kKeys[kMode].key, "direct") && ok;
  ok = ProfileWriteString(settingsFile, section, kKeys[kTransport].key, "udp") && ok;
  ok = ProfileWriteString(settingsFile, section, kKeys[kLocalAddress].key, kDefaultLocalAddress) && ok;
  return ok;
}

std::string SipDeviceSettings::AddressDomain() const {
  if (!domain.empty()) return domain;
  if (!registrar.empty()) return HostOf(registrar);
  return HostOf(localAddress);
}

// The registrar's port stays: a registrar that listens on another port than
// 5060 takes the calls there too.
std::string SipDeviceSettings::DialDomain() const {
  if (domain.empty() && !registrar.empty()) return std::string(HostPortOf(registrar));
  return AddressDomain();
}

std::vector<std::string> SipDeviceSettings::ProviderHosts() const {
  std::vector<std::string> hosts;
  for (const std::string* address : {&registrar, &outboundProxy})
    if (std::string host = HostOf(*address); !host.empty()) hosts.push_back(std::move(host));
  return hosts;
}

bool SipDeviceSettings::IsProviderHost(std::string_view address) const {
  const std::string host = HostOf(address);
  if (host.empty()) return false;
  for (const std::string& provider : ProviderHosts())
    if (EqualIgnoringCase(host, provider)) return true;
  return !registrar.empty() && !domain.empty() && EqualIgnoringCase(host, HostOf(domain));
}
