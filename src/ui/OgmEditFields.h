#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "callengine/OGMAction.h"

// Every key the console's OGM editor shows and writes, with its kind, its
// default and the values it may take. Per-action keys come for each key
// prefix ("press0" … "press#", "playcomplete") and one chained level below
// it ("press1transferfail" and so on); deeper chains are left to the file.
class OgmEditFields {
 public:
  enum class Kind {
    kBool,
    kInt,       // within [min, max]
    kDuration,  // milliseconds within [min, max]
    kTime,      // seconds of the day, 0..86400
    kDate,      // seconds since 1970, 0 = none
    kText,
    kType,       // "menu" or "enternumber"
    kAction,     // any action word
    kChained,    // "noresponse" or a word offered for chained keys
    kOgm,        // an OGM name (or a text with parameters)
    kMailbox,    // a mailbox name (or a text with parameters)
    kFileTitle,  // one file name without folder (or a text with parameters)
  };

  struct Field {
    std::string section;
    std::string key;
    Kind kind = Kind::kText;
    int min = 0;
    int max = 0;
    std::string defaultText;  // texts and words
    int defaultNumber = 0;    // booleans (0/1), numbers, durations, times, dates
    // For per-action keys: the prefix whose word must be `action` for the
    // key to be in use, and for a chained prefix the parent's as well.
    std::string prefix;
    OGMAction action = OGMAction::kNoResponse;
    std::string parentPrefix;
    OGMAction parentAction = OGMAction::kNoResponse;
  };

  struct Context {
    std::string ogmName;      // "playexfile" defaults to its ".wav"
    int maxRecordMs = 30000;  // [settings] "maxrectime"
    int voiceCount = 0;       // installed voices
  };

  static constexpr int kMaxPrograms = 64;

  explicit OgmEditFields(const Context& context);

  const std::vector<Field>& All() const { return fields_; }
  // The field of `section` and `key`; null for a key the editor does not know.
  const Field* Find(std::string_view section, std::string_view key) const;

  // The key prefixes that carry an action: the keys of the pad, then
  // "playcomplete".
  static std::vector<std::string> Prefixes();

 private:
  void AddPlain(const Context& context);
  void AddAction(const std::string& prefix, Kind wordKind, const std::string& parentPrefix,
                 OGMAction parentAction, int maxRecordMs);
  Field& Add(std::string_view section, std::string_view key, Kind kind);

  std::vector<Field> fields_;
  std::map<std::string, std::size_t, std::less<>> index_;  // "section/key"
};
