#include "telephony/sip/SipRefusalLog.h"

bool SipRefusalLog::ShouldLog(const std::string& source, uint64_t nowMs) {
  if (const auto known = lastLogged_.find(source); known != lastLogged_.end()) {
    if (nowMs < known->second + kQuietMs) return false;
    known->second = nowMs;
    return true;
  }
  if (lastLogged_.size() >= kMaxSources)
    std::erase_if(lastLogged_, [nowMs](const auto& entry) { return nowMs >= entry.second + kQuietMs; });
  if (lastLogged_.size() >= kMaxSources) return false;
  lastLogged_.emplace(source, nowMs);
  return true;
}
