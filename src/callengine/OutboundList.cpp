#include "callengine/OutboundList.h"

#include <unistd.h>

#include <cstdlib>

#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "core/Trace.h"

namespace {

constexpr std::size_t kMaxListBytes = 16 << 20;
constexpr const char *kIntervalNext = "&intervalnext=";

std::string WithoutBlanks(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 32) kept += c;
  }
  return kept;
}

}  // namespace

OutboundList::OutboundList(std::string dataRoot, std::string settingsFile)
    : dataRoot_(std::move(dataRoot)), settingsFile_(std::move(settingsFile)) {}

std::string OutboundList::Path() const {
  return ResolveCaseInsensitive(PathJoin(dataRoot_, kFileName));
}

void OutboundList::SetActive(bool active) const {
  ProfileWriteBool(settingsFile_, "outbound", "active", active);
}

bool OutboundList::Add(const std::string &entry) const {
  const std::string old = ReadFileText(Path(), kMaxListBytes).value_or("");
  const std::string text = old.empty() ? entry : old + ";" + entry;
  if (!ReplaceFileText(Path(), text)) {
    Trace("OutboundList::Add cannot write %s", Path().c_str());
    return false;
  }
  SetActive(true);
  return true;
}

OutboundList::Head OutboundList::TakeHead(std::time_t now) const {
  const std::string text = ReadFileText(Path(), kMaxListBytes).value_or("");
  if (text.empty()) {
    SetActive(false);
    return {};
  }
  const std::size_t semicolon = text.find(';');
  const std::string head = text.substr(0, semicolon);
  // The whole list waits for its head's next attempt.
  const std::size_t next = head.find(kIntervalNext);
  if (next != std::string::npos &&
      now < std::atoll(head.c_str() + next + std::string_view(kIntervalNext).size())) {
    return {Head::Kind::kWaiting, {}};
  }
  if (semicolon == std::string::npos) {
    ::unlink(Path().c_str());
    SetActive(false);  // that was the last entry
  } else if (!ReplaceFileText(Path(), text.substr(semicolon + 1))) {
    Trace("OutboundList::TakeHead cannot rewrite %s", Path().c_str());
    return {Head::Kind::kWaiting, {}};  // never call the same head twice
  }
  std::string entry = WithoutBlanks(CutText(head));
  if (entry.empty()) return {Head::Kind::kSkipped, {}};
  return {Head::Kind::kTaken, std::move(entry)};
}

std::string OutboundList::Number(const std::string &entry) {
  return entry.substr(0, entry.find('&'));
}
