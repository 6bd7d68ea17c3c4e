#include "core/ServiceNotify.h"

#include <systemd/sd-daemon.h>

namespace service {

void NotifyReady(const std::string& status) {
  sd_notify(0, ("READY=1\nSTATUS=" + status).c_str());
}

void NotifyStopping() { sd_notify(0, "STOPPING=1"); }

void NotifyWatchdog() { sd_notify(0, "WATCHDOG=1"); }

uint64_t WatchdogIntervalMs() {
  uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) <= 0) return 0;
  return usec / 2000;
}

}  // namespace service
