#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The named text values of one call. Names are set case-sensitively but found
// without regard to case, newest first, so "Name" and "name" are two entries
// and a look-up of either finds the one set last. Names and values may be of
// any length. The list is short and searched linearly.
class LHashTable {
 public:
  // Replaces the value of the entry named exactly `name`, else adds a new
  // newest entry. An empty name is not stored.
  void SetParm(std::string_view name, std::string_view value);
  // The value of the newest entry whose name matches without regard to case.
  std::string GetParm(std::string_view name, std::string_view defaultValue = {}) const;
  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }
  // Every entry as (name, value), oldest first.
  std::vector<std::pair<std::string, std::string>> Pairs() const;

  // Sets every "name=value" pair of query text ("a=1&b=x+y%21"): "+" is a
  // space and "%" with two hex digits is that byte (a decoded "=" or "&" does
  // not end a name or value). Pairs with an empty name are skipped.
  void ParseQuery(std::string_view text);

  // Writes every entry as a key of `section` in one atomic update of the INI
  // file; when names differ only in case the newest value is stored. Names
  // an INI file cannot hold are skipped with a trace line. False when the
  // file cannot be written.
  bool WriteAll(const std::string& file, std::string_view section) const;

 private:
  struct Entry {
    std::string name;
    std::string value;
  };
  std::vector<Entry> entries_;  // oldest first
};
