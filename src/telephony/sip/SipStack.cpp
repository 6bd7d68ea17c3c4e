#include "telephony/sip/SipStack.h"

#include <re.h>

#include <cstring>

#include "core/Trace.h"
#include "telephony/rtp/LRtpMediaThread.h"
#include "telephony/sip/SipDevice.h"
#include "telephony/sip/SipDeviceSettings.h"
#include "telephony/sip/SipReaper.h"

namespace {

// Name servers from the system's resolver set-up; null without any (SIP to
// numeric addresses still works).
struct dnsc* OpenDns() {
  char domain[256] = "";
  struct sa servers[8];
  uint32_t count = 8;
  struct dnsc* dns = nullptr;
  int err = dns_srv_get(domain, sizeof domain, servers, &count);
  if (!err) err = dnsc_alloc(&dns, nullptr, servers, count);
  if (err) Trace("SipStack no DNS client: %s", std::strerror(err));
  return err ? nullptr : dns;
}

}  // namespace

SipStack::SipStack(const std::string& settingsFile, LogFile& log, const LClock& clock)
    : dns_(OpenDns()),
      reaper_(std::make_unique<SipReaper>()),
      media_(std::make_unique<LRtpMediaThread>(clock)) {
  std::vector<SipDeviceSettings> settings = SipDeviceSettings::ReadAll(settingsFile);
  if (settings.empty() && SipDeviceSettings::WriteDefault(settingsFile))
    settings = SipDeviceSettings::ReadAll(settingsFile);
  for (const SipDeviceSettings& device : settings) {
    names_.push_back(device.name);
    devices_.push_back(SipDevice::Open(device, dns_, *reaper_, *media_, log));
  }
}

SipStack::~SipStack() {
  // Calls still in the reaper refer to their devices' stacks.
  reaper_.reset();
  devices_.clear();
  mem_deref(dns_);
}

void SipStack::PrepareShutdown() {
  for (const std::unique_ptr<SipDevice>& device : devices_)
    if (device) device->Unregister();
}

SipDevice* SipStack::Device(int device) const {
  return device >= 0 && device < DeviceCount() ? devices_[static_cast<size_t>(device)].get() : nullptr;
}

std::string SipStack::GetLineName(int device) const {
  return device >= 0 && device < DeviceCount() ? names_[static_cast<size_t>(device)] : std::string();
}
