#pragma once

#include <cstdint>
#include <string>

// Tells the service manager how the engine is doing (Type=notify units).
// Outside a unit (no notification socket) every call does nothing.
namespace service {

void NotifyReady(const std::string& status);
void NotifyStopping();
void NotifyWatchdog();
// How often to pet the watchdog: half the unit's WatchdogSec, 0 when off.
uint64_t WatchdogIntervalMs();

}  // namespace service
