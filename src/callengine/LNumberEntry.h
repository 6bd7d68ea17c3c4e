#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"

// The digits a caller keys in at a number-entry node, checked against the
// node's limits and lists ([ivr] keys of the OGM definition) when complete.
// The controller acts on the result: it stores the variable and takes the
// "press#" action for an accepted number, plays "InvalidNumber" for an
// invalid one, and takes the "press*" action for "*" in every case.
class LNumberEntry {
 public:
  static constexpr std::size_t kMaxDigits = 31;

  enum class Entry { kIncomplete, kAccepted, kInvalid };
  struct Result {
    Entry entry = Entry::kIncomplete;
    std::string variable;  // set when accepted
    std::string digits;    // set when accepted
    bool pressStar = false;
    std::string refusedListFile;  // a list-file name refused for safety
  };

  // Relative list-file names are looked up in `dataRoot`.
  explicit LNumberEntry(std::string dataRoot) : dataRoot_(std::move(dataRoot)) {}

  // Called whenever the node (re)starts.
  void Clear() { digits_.clear(); }
  const std::string& Digits() const { return digits_; }
  // Stores a digit key ("0".."9") while fewer than 31 are held; other keys
  // are not stored.
  void Append(char key);

  // One key at the node defined by `ogmFile`; `parms` and `call` expand the
  // list-file name.
  Result Press(char key, const std::string& ogmFile, const LHashTable& parms,
               const LCallIdentity& call);

 private:
  bool WithinLimits(const std::string& ogmFile) const;
  bool ListAccepts(const std::string& ogmFile, const LHashTable& parms, const LCallIdentity& call,
                   std::string& refused) const;
  std::optional<std::string> ReadListFile(const std::string& name, std::string& refused) const;

  std::string dataRoot_;
  std::string digits_;
};
