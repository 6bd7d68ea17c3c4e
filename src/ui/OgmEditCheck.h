#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/OgmEditFields.h"

// Checks what the OGM editor sends ({"ivr": {...}, "datetime": {...},
// "cid": {...}}) before any of it is written: every value of its kind and
// range, the names it gives, and the OGMs and mailboxes that the actions and
// redirects in use must find.
class OgmEditCheck {
 public:
  struct Problem {
    std::string field;  // "section.key"
    std::string error;
  };
  struct Edit {
    std::string section;
    std::string key;
    std::string value;  // as stored
  };
  // Whether an OGM or mailbox of that name exists.
  using Exists = std::function<bool(std::string_view)>;

  OgmEditCheck(const OgmEditFields& fields, Exists ogmExists, Exists mailboxExists)
      : fields_(fields), ogmExists_(std::move(ogmExists)), mailboxExists_(std::move(mailboxExists)) {}

  // The first bad field, or nothing when `values` may be written as Edits().
  std::optional<Problem> Check(const nlohmann::json& values);
  const std::vector<Edit>& Edits() const { return edits_; }
  // "runcount" as sent: the entries after it are to go.
  int ProgramCount() const;

 private:
  std::optional<Problem> Convert(const nlohmann::json& values);
  std::optional<Problem> CheckTargets() const;
  std::optional<Problem> CheckTarget(const OgmEditFields::Field& field, const std::string& value) const;
  std::optional<Problem> CheckRanges() const;
  bool InUse(const OgmEditFields::Field& field) const;
  // The stored value of `section`/`key` as sent, or its default text.
  std::string Sent(std::string_view section, std::string_view key, std::string_view fallback) const;

  const OgmEditFields& fields_;
  Exists ogmExists_;
  Exists mailboxExists_;
  std::vector<Edit> edits_;
  std::map<std::string, std::string, std::less<>> sent_;  // "section.key" -> stored value
};
