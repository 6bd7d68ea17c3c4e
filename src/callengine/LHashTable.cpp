#include "callengine/LHashTable.h"

#include <algorithm>

#include "callengine/ParameterText.h"
#include "core/IniFile.h"
#include "core/IniStore.h"
#include "core/QueryText.h"
#include "core/Trace.h"

void LHashTable::SetParm(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  auto same = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& entry) { return entry.name == name; });
  if (same != entries_.end()) {
    same->value = value;
  } else {
    entries_.push_back({std::string(name), std::string(value)});
  }
}

std::string LHashTable::GetParm(std::string_view name, std::string_view defaultValue) const {
  auto found = std::find_if(entries_.rbegin(), entries_.rend(), [&](const Entry& entry) {
    return EqualIgnoringCase(entry.name, name);
  });
  return std::string(found != entries_.rend() ? std::string_view(found->value) : defaultValue);
}

void LHashTable::ParseQuery(std::string_view text) {
  ParseQueryText(text, [this](const std::string& name, const std::string& value) {
    SetParm(name, value);
  });
}

std::vector<std::pair<std::string, std::string>> LHashTable::Pairs() const {
  std::vector<std::pair<std::string, std::string>> pairs;
  pairs.reserve(entries_.size());
  for (const Entry& entry : entries_) pairs.emplace_back(entry.name, entry.value);
  return pairs;
}

bool LHashTable::WriteAll(const std::string& file, std::string_view section) const {
  return IniUpdate(file, [&](IniFile& ini) {
    // Oldest first, so the newest of names differing only in case is kept.
    for (const Entry& entry : entries_) {
      if (!ini.Set(section, entry.name, entry.value)) {
        Trace("LHashTable::WriteAll skipped parameter \"%.64s\" in %s", entry.name.c_str(),
              file.c_str());
      }
    }
    return true;
  });
}
