#include "telephony/sip/SipDevice.h"

#include <re.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/TextCompare.h"
#include "core/Trace.h"
#include "log/LogFile.h"
#include "telephony/sip/SipCall.h"
#include "telephony/sip/SipCredentials.h"
#include "telephony/sip/SipDeviceListener.h"
#include "telephony/sip/SipRegistration.h"
#include "telephony/sip/SipRequire.h"
#include "telephony/sip/SipTcpGuard.h"

namespace {

constexpr const char* kUserAgent = "Zavotel";
constexpr uint32_t kHashSize = 32;

std::string IpText(const struct sa& address) {
  char text[64] = "";
  return sa_ntop(&address, text, sizeof text) == 0 ? text : "";
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool HasScheme(const std::string& number) {
  return StartsWithNoCase(number, "sip:") || StartsWithNoCase(number, "sips:");
}

// The SIP library listens on one address, not on all: "any" becomes the
// address this machine reaches the network from (loopback without one).
void ReplaceAnyAddress(struct sa& local) {
  const uint16_t port = sa_port(&local);
  const int family = sa_af(&local);
  if (net_default_source_addr_get(family, &local) != 0)
    sa_set_str(&local, family == AF_INET6 ? "::1" : "127.0.0.1", 0);
  sa_set_port(&local, port);
}

}  // namespace

SipDevice::SipDevice(const SipDeviceSettings& settings, SipReaper& reaper,
                     LRtpMediaThread& media, LogFile& log)
    : settings_(settings), reaper_(reaper), media_(media), log_(log) {}

std::unique_ptr<SipDevice> SipDevice::Open(const SipDeviceSettings& settings, struct dnsc* dns,
                                           SipReaper& reaper, LRtpMediaThread& media,
                                           LogFile& log) {
  std::unique_ptr<SipDevice> device(new SipDevice(settings, reaper, media, log));
  if (!device->Listen(dns)) {
    log.LogError("SIP device " + settings.name + " cannot listen on ", settings.localAddress);
    return nullptr;
  }
  for (const std::string& host : settings.ProviderHosts())
    if (!device->providers_.Resolve(host) && settings.mode == SipDeviceMode::kRegister)
      log.Log("SIP device " + settings.name + ": no address found for " + host,
              "; calls are taken from the address the registrar answers from");
  if (settings.mode == SipDeviceMode::kRegister)
    device->registration_ = std::make_unique<SipRegistration>(*device, log);
  return device;
}

SipDevice::~SipDevice() {
  registration_.reset();
  tcpGuard_.reset();
  mem_deref(requests_);
  mem_deref(events_);
  mem_deref(sessions_);
  // Transactions still open (a BYE the loop never sent) are dropped.
  if (sip_) sip_close(sip_, true);
  mem_deref(sip_);
  mem_deref(tls_);
}

bool SipDevice::Listen(struct dnsc* dns) {
  int err = sip_alloc(&sip_, dns, kHashSize, kHashSize, kHashSize, kUserAgent, nullptr, nullptr);
  if (!err && settings_.transport == SipTransport::kTls) {
    // OpenSSL 3 refuses the default self-signed key type; RSA works.
    err = tls_alloc(&tls_, TLS_METHOD_SSLV23, nullptr, nullptr);
    if (!err) err = tls_set_selfsigned_rsa(tls_, "zavotel", 2048);
    if (!err)
      log_.Log("SIP device " + settings_.name, ": TLS server certificates are not verified");
  }
  struct sa local;
  const std::string& address = settings_.localAddress;
  if (!err && sa_decode(&local, address.c_str(), address.size()) != 0 &&
      sa_set_str(&local, address.c_str(), SIP_PORT) != 0) {
    Trace("SipDevice::Listen bad local address \"%s\" FAILED", address.c_str());
    err = EINVAL;
  }
  const bool any = !err && sa_is_any(&local);
  if (any) ReplaceAnyAddress(local);
  const uint16_t port = err ? 0 : sa_port(&local);
  for (int attempt = 0; attempt < kPortTries && err == 0; ++attempt) {
    sa_set_port(&local, port ? static_cast<uint16_t>(port + attempt) : 0);
    err = AddTransports(local);
    if (err != EADDRINUSE) break;
    sip_transp_flush(sip_);
    err = 0;
  }
  if (!err && listenPort_ == 0) err = EADDRINUSE;
  if (err) {
    Trace("SipDevice::Listen %s FAILED: %s", address.c_str(), std::strerror(err));
    return false;
  }
  sa_set_port(&local, listenPort_);
  GuardTcp(local);
  if (any) log_.Log("SIP device " + settings_.name + " listens on ", listenAddress_);
  if (port && listenPort_ != port)
    log_.LogError("SIP device " + settings_.name + ": port " + std::to_string(port) +
                  " is in use, listening on ", listenAddress_);
  err = sipsess_listen(&sessions_, sip_, kHashSize, OnInvite, this);
  if (!err) err = sipevent_listen(&events_, sip_, kHashSize, kHashSize, nullptr, nullptr);
  // Last, so sessions and subscriptions see their requests first.
  if (!err) err = sip_listen(&requests_, sip_, true, OnRequest, this);
  if (err) Trace("SipDevice::Listen listeners FAILED: %s", std::strerror(err));
  return err == 0;
}

void SipDevice::GuardTcp(const struct sa& local) {
  tcpGuard_ = std::make_unique<SipTcpGuard>(local, [this](const std::string& source, size_t) {
    LogRefusal("TCP connections", source,
               "closed: more than " + std::to_string(SipTcpGuard::kMaxPerSource) + " from one address or " +
                   std::to_string(SipTcpGuard::kMaxTotal) + " in all, the longest silent first");
  });
}

int SipDevice::AddTransports(const struct sa& local) {
  int err = sip_transp_add(sip_, SIP_TRANSP_UDP, &local);
  struct sa bound;
  if (!err) err = sip_transp_laddr(sip_, &bound, SIP_TRANSP_UDP, nullptr);
  if (err) return err;
  if (settings_.transport == SipTransport::kTls)
    err = sip_transp_add(sip_, SIP_TRANSP_TLS, &bound, tls_);
  else
    err = sip_transp_add(sip_, SIP_TRANSP_TCP, &bound);
  if (err) return err;
  listenPort_ = sa_port(&bound);
  listenAddress_ = IpText(bound) + ":" + std::to_string(listenPort_);
  return 0;
}

bool SipDevice::IsRegistered() const { return registration_ && registration_->IsRegistered(); }

std::string SipDevice::RegistrationState() const {
  if (registration_) return registration_->State();
  return settings_.mode == SipDeviceMode::kDirect ? "direct" : "unregistered";
}

void SipDevice::Unregister() { registration_.reset(); }

std::unique_ptr<SipCall> SipDevice::PlaceCall(const std::string& number,
                                              SipCallListener& listener) {
  if (!IsUsableNumber(number)) {
    Trace("SipDevice::PlaceCall unusable number \"%s\" FAILED", number.c_str());
    return nullptr;
  }
  return SipCall::Connect(*this, TargetUri(number), listener);
}

bool SipDevice::IsUsableNumber(const std::string& number) {
  if (number.empty()) return false;
  for (const unsigned char c : number)
    if (c <= 0x20 || c == 0x7f || c == '<' || c == '>' || c == '"') return false;
  return true;
}

void* SipDevice::NewCredentials(bool toProvider) const {
  return toProvider ? SipCredentials::Allocate(settings_.AuthName(), settings_.password) : nullptr;
}

bool SipDevice::IsProviderTarget(const std::string& uri) const {
  return !settings_.outboundProxy.empty() || settings_.IsProviderHost(uri);
}

bool SipDevice::TrustsIdentityFrom(const struct sa& source) const {
  return settings_.mode == SipDeviceMode::kDirect || IsProvider(source);
}

std::string SipDevice::ContactUser() const {
  return settings_.user.empty() ? std::string("zavotel") : settings_.user;
}

std::string SipDevice::OwnUri() const {
  return "sip:" + ContactUser() + "@" + settings_.AddressDomain();
}

bool SipDevice::IsAddress(const std::string& number) {
  return HasScheme(number) || number.find('@') != std::string::npos;
}

std::string SipDevice::TargetUri(const std::string& number) const {
  std::string uri;
  if (HasScheme(number))
    uri = number;
  else if (IsAddress(number))
    uri = "sip:" + number;
  else
    uri = "sip:" + number + "@" + settings_.DialDomain();
  if (settings_.transport != SipTransport::kUdp && uri.find(";transport=") == std::string::npos)
    uri += settings_.transport == SipTransport::kTls ? ";transport=tls" : ";transport=tcp";
  return uri;
}

std::string SipDevice::OutboundRoute() const {
  const std::string& proxy = settings_.outboundProxy;
  if (proxy.empty()) return {};
  std::string route = StartsWithNoCase(proxy, "sip:") || StartsWithNoCase(proxy, "sips:")
                          ? proxy
                          : "sip:" + proxy;
  if (route.find(";lr") == std::string::npos) route += ";lr";
  if (settings_.transport != SipTransport::kUdp && route.find(";transport=") == std::string::npos)
    route += settings_.transport == SipTransport::kTls ? ";transport=tls" : ";transport=tcp";
  return route;
}

std::string SipDevice::MediaIp(const struct sa* peer) const {
  struct sa local;
  if (sip_transp_laddr(sip_, &local, SIP_TRANSP_UDP, peer) == 0 && !sa_is_any(&local))
    return IpText(local);
  if (net_default_source_addr_get(AF_INET, &local) == 0) return IpText(local);
  return "127.0.0.1";
}

void SipDevice::OnInvite(const struct sip_msg* msg, void* arg) {
  auto* device = static_cast<SipDevice*>(arg);
  if (const std::string required = SipRequiredOptions(*msg); !required.empty()) {
    Trace("SipDevice %s refused an INVITE requiring %s", device->settings_.name.c_str(),
          required.c_str());
    (void)sip_treplyf(nullptr, nullptr, device->sip_, msg, false, 420, "Bad Extension",
                      "Unsupported: %s\r\nContent-Length: 0\r\n\r\n", required.c_str());
    return;
  }
  if (device->RefusesSource(*msg)) {
    (void)sip_treply(nullptr, device->sip_, msg, 403, "Forbidden");
    return;
  }
  if (!device->listener_) {
    (void)sip_treply(nullptr, device->sip_, msg, 480, "Temporarily Unavailable");
    return;
  }
  std::unique_ptr<SipCall> call = SipCall::Accept(*device, msg);
  if (call) device->listener_->OnIncomingCall(std::move(call));
}

// A registering device's calls come through its provider; an INVITE from
// elsewhere is someone calling the device's address directly.
bool SipDevice::RefusesSource(const struct sip_msg& invite) {
  if (settings_.mode != SipDeviceMode::kRegister || settings_.acceptAnyHost || IsProvider(invite.src))
    return false;
  LogRefusal(invite.src, "refused (403): neither the registrar nor the outbound proxy (setting \"anyhost\" takes them)");
  return true;
}

void SipDevice::LogRefusal(const struct sa& source, const std::string& what) {
  LogRefusal("calls", IpText(source), what);
}

void SipDevice::LogRefusal(const std::string& subject, const std::string& source,
                           const std::string& what) {
  if (refusals_.ShouldLog(source + " " + what, tmr_jiffies()))
    log_.Log("SIP device " + settings_.name + ": " + subject + " from " + source + " ", what);
}

bool SipDevice::OnRequest(const struct sip_msg* msg, void* arg) {
  auto* device = static_cast<SipDevice*>(arg);
  if (pl_strcmp(&msg->met, "ACK") == 0) return true;
  if (pl_strcmp(&msg->met, "OPTIONS") == 0) {
    (void)sip_treplyf(nullptr, nullptr, device->sip_, msg, false, 200, "OK",
                      "Allow: %s\r\nAccept: application/sdp\r\nContent-Length: 0\r\n\r\n", kAllow);
    return true;
  }
  if (pl_strcmp(&msg->met, "CANCEL") == 0 || pl_strcmp(&msg->met, "BYE") == 0) {
    (void)sip_treply(nullptr, device->sip_, msg, 481, "Call/Transaction Does Not Exist");
    return true;
  }
  Trace("SipDevice %s refused %.*s", device->settings_.name.c_str(),
        static_cast<int>(std::min<size_t>(msg->met.l, 32)), msg->met.p);
  (void)sip_treplyf(nullptr, nullptr, device->sip_, msg, false, 501, "Not Implemented",
                    "Allow: %s\r\nContent-Length: 0\r\n\r\n", kAllow);
  return true;
}
