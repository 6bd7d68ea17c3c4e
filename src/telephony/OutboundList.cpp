#include "telephony/OutboundList.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
  if (!Append(entry)) return false;
  SetActive(true);
  return true;
}

std::optional<std::string> OutboundList::WholeText() const {
  const std::string path = Path();
  std::optional<std::string> text = ReadFileText(path, kMaxListBytes + 1);
  if (!text) {
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) return "";
    Trace("OutboundList cannot read %s; it is left as it is", path.c_str());
  } else if (text->size() > kMaxListBytes) {
    Trace("OutboundList %s holds more than %zu bytes; it is left as it is", path.c_str(), kMaxListBytes);
    text.reset();
  }
  return text;
}

bool OutboundList::Append(const std::string &entry) const {
  const std::optional<std::string> old = WholeText();
  if (!old) return false;
  const std::string text = old->empty() ? entry : *old + ";" + entry;
  if (!ReplaceFileText(Path(), text)) {
    Trace("OutboundList::Append cannot write %s", Path().c_str());
    return false;
  }
  return true;
}

std::string OutboundList::Text() const { return ReadFileText(Path(), kMaxListBytes).value_or(""); }

bool OutboundList::Replace(const std::string &text) const {
  if (WithoutBlanks(text).empty()) return ::unlink(Path().c_str()) == 0 || errno == ENOENT;
  if (ReplaceFileText(Path(), text)) return true;
  Trace("OutboundList::Replace cannot write %s", Path().c_str());
  return false;
}

std::vector<std::string> OutboundList::Entries() const {
  std::vector<std::string> entries;
  const std::string text = Text();
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    std::string entry = WithoutBlanks(std::string_view(text).substr(start, end - start));
    if (!entry.empty()) entries.push_back(std::move(entry));
    start = end + 1;
  }
  return entries;
}

OutboundList::Edit OutboundList::Change(const std::string &was,
                                        const std::optional<std::string> &now) const {
  const std::optional<std::string> loaded = WholeText();
  if (!loaded) return Edit::kFailed;
  const std::string &text = *loaded;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    if (WithoutBlanks(std::string_view(text).substr(start, end - start)) != was) {
      start = end + 1;
      continue;
    }
    std::string changed;
    if (now) {
      // The line break or indent before an entry stays with the list's layout.
      std::size_t lead = start;
      while (lead < end && static_cast<unsigned char>(text[lead]) <= 32) ++lead;
      changed = text.substr(0, lead) + *now + text.substr(end);
    } else if (end < text.size()) {
      changed = text.substr(0, start) + text.substr(end + 1);  // with its ";"
    } else {
      changed = text.substr(0, start == 0 ? 0 : start - 1);  // the last one
    }
    if (WithoutBlanks(changed).empty()) return ::unlink(Path().c_str()) == 0 ? Edit::kDone : Edit::kFailed;
    if (ReplaceFileText(Path(), changed)) return Edit::kDone;
    Trace("OutboundList::Change cannot rewrite %s", Path().c_str());
    return Edit::kFailed;
  }
  return Edit::kGone;
}

OutboundList::Head OutboundList::TakeHead(std::time_t now) const {
  const std::optional<std::string> loaded = WholeText();
  if (!loaded) return {Head::Kind::kWaiting, {}};  // nothing taken, nothing lost
  const std::string &text = *loaded;
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

std::string OutboundList::AddProblem(const std::string &text) {
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(';', start), text.size());
    if (Number(WithoutBlanks(std::string_view(text).substr(start, end - start))).empty())
      return "an outbound entry has no number to call (entries are separated by \";\", parameters begin with \"&\")";
    start = end + 1;
  }
  return "";
}
