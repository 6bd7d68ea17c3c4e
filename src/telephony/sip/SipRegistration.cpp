#include "telephony/sip/SipRegistration.h"

#include <re.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Trace.h"
#include "log/LogFile.h"
#include "telephony/sip/SipCredentials.h"
#include "telephony/sip/SipDevice.h"

namespace {

// A reason phrase from the network, fit for a log line.
std::string Printable(const struct pl& reason) {
  constexpr size_t kMaxReason = 64;
  std::string text;
  for (size_t i = 0; i < reason.l && text.size() < kMaxReason; ++i)
    text.push_back(static_cast<unsigned char>(reason.p[i]) < 0x20 ? ' ' : reason.p[i]);
  return text;
}

// A failure to reach the registrar, in words an owner can act on, with the
// system's own text for whoever looks deeper.
std::string Problem(int err) {
  const char* words = nullptr;
  switch (err) {
    case EDESTADDRREQ:  // the name lookup gave no address
      words = "its name cannot be found";
      break;
    case ETIMEDOUT:
      words = "no answer";
      break;
    case ECONNREFUSED:
      words = "it refused the connection";
      break;
    case EINVAL:  // a loopback address cannot send to the network
    case ENETUNREACH:
    case EHOSTUNREACH:
      words = "it cannot be reached from the device's local address";
      break;
    default:
      return std::strerror(err);
  }
  return std::string(words) + " (" + std::strerror(err) + ")";
}

}  // namespace

SipRegistration::SipRegistration(SipDevice& device, LogFile& log)
    : device_(device), log_(log), retry_(std::make_unique<struct tmr>()) {
  tmr_init(retry_.get());
  Start();
}

SipRegistration::~SipRegistration() {
  tmr_cancel(retry_.get());
  // libre keeps the registration alive until the unREGISTER is answered.
  mem_deref(registration_);
}

std::string SipRegistration::RegistrarUri() const {
  const SipDeviceSettings& settings = device_.Settings();
  const std::string& registrar = settings.registrar.empty() ? settings.domain : settings.registrar;
  const bool hasScheme = registrar.starts_with("sip:") || registrar.starts_with("sips:");
  return device_.TargetUri(hasScheme ? registrar : "sip:" + registrar);
}

void SipRegistration::Start() {
  const SipDeviceSettings& settings = device_.Settings();
  const std::string registrar = RegistrarUri();
  const std::string own = device_.OwnUri();
  const std::string contact = device_.ContactUser();
  const std::string route = device_.OutboundRoute();
  const char* routes[] = {route.c_str()};
  void* credentials = device_.NewCredentials(true);
  registration_ = static_cast<struct sipreg*>(mem_deref(registration_));
  const int err = sipreg_register(&registration_, device_.Stack(), registrar.c_str(), own.c_str(),
                                  nullptr, own.c_str(), static_cast<uint32_t>(settings.expirySeconds),
                                  contact.c_str(), route.empty() ? nullptr : routes,
                                  route.empty() ? 0 : 1, 0, SipCredentials::Provide, credentials,
                                  true, OnResponse, this, nullptr, nullptr);
  mem_deref(credentials);
  if (err == 0) return;
  Report(false, std::string("cannot send to ") + registrar + ": " + Problem(err));
  tmr_start(retry_.get(), retryMs_, OnRetry, this);
  retryMs_ = std::min(retryMs_ * 2, kMaxRetryMs);
}

void SipRegistration::OnRetry(void* arg) { static_cast<SipRegistration*>(arg)->Start(); }

void SipRegistration::OnResponse(int err, const struct sip_msg* msg, void* arg) {
  auto* registration = static_cast<SipRegistration*>(arg);
  if (!err && msg && msg->scode < 200) return;
  if (!err && msg && msg->scode < 300) {
    // Its calls may come from the address it answers from.
    registration->device_.AddProvider(msg->src);
    registration->retryMs_ = kFirstRetryMs;
    registration->Report(true, "");
    return;
  }
  // libre itself retries a failed registration after a growing wait.
  std::string detail;
  if (err)
    detail = Problem(err);
  else if (msg)
    detail = std::to_string(msg->scode) + " " + Printable(msg->reason);
  registration->Report(false, detail);
}

void SipRegistration::Report(bool registered, const std::string& detail) {
  registered_ = registered;
  const std::string state = registered ? std::string("registered") : "failed: " + detail;
  if (reported_ && state == lastReport_) return;
  reported_ = true;
  lastReport_ = state;
  const std::string device = "SIP device " + device_.Settings().name;
  if (registered)
    log_.Log(device, " registered");
  else
    log_.LogError(device + " registration ", state);
}
