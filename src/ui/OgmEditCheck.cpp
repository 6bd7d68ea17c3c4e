#include "ui/OgmEditCheck.h"

#include "callengine/OGMKeys.h"
#include "core/ProfileValues.h"
#include "ui/OgmEditValues.h"

namespace {

using namespace ogm_keys;
using Kind = OgmEditFields::Kind;
using Problem = OgmEditCheck::Problem;

std::string FieldName(std::string_view section, std::string_view key) {
  return std::string(section) + "." + std::string(key);
}

}  // namespace

std::optional<Problem> OgmEditCheck::Check(const nlohmann::json& values) {
  edits_.clear();
  sent_.clear();
  if (std::optional<Problem> problem = Convert(values)) return problem;
  if (std::optional<Problem> problem = CheckRanges()) return problem;
  return CheckTargets();
}

int OgmEditCheck::ProgramCount() const { return ParseLeadingInt(Sent(kIvr, kRunCount, "0")); }

std::optional<Problem> OgmEditCheck::Convert(const nlohmann::json& values) {
  if (!values.is_object()) return Problem{"", "expected the values by section"};
  for (const auto& [section, keys] : values.items()) {
    if (!keys.is_object()) return Problem{section, "expected the keys of the section"};
    for (const auto& [key, value] : keys.items()) {
      const OgmEditFields::Field* field = fields_.Find(section, key);
      if (!field) return Problem{FieldName(section, key), "not a setting of an OGM"};
      std::string error;
      std::string stored = ogm_edit_values::Stored(*field, value, error);
      if (!error.empty()) return Problem{FieldName(section, key), error};
      sent_[FieldName(section, key)] = stored;
      edits_.push_back({section, key, std::move(stored)});
    }
  }
  return std::nullopt;
}

std::string OgmEditCheck::Sent(std::string_view section, std::string_view key, std::string_view fallback) const {
  const auto found = sent_.find(FieldName(section, key));
  return found == sent_.end() ? std::string(fallback) : found->second;
}

// A number entry's limits only bind when it checks them.
std::optional<Problem> OgmEditCheck::CheckRanges() const {
  if (Sent(kIvr, kVarLimit.key, "false") != "true") return std::nullopt;
  if (ParseLeadingInt(Sent(kIvr, kVarLimitMin.key, "0")) > ParseLeadingInt(Sent(kIvr, kVarLimitMax.key, "10000")))
    return Problem{FieldName(kIvr, kVarLimitMax.key), "the largest number is smaller than the smallest"};
  return std::nullopt;
}

bool OgmEditCheck::InUse(const OgmEditFields::Field& field) const {
  const auto wordIs = [this](const std::string& prefix, OGMAction action) {
    return ParseOGMAction(Sent(kIvr, prefix, "noresponse")) == action;
  };
  if (field.section == kDateTime)
    return Sent(kDateTime, kCheckEnabled.key, "false") == "true" && Sent(kDateTime, kFailMode.key, "0") == "1";
  if (field.section == kCid) return Sent(kCid, kCheckEnabled.key, "false") == "true" && Sent(kCid, kCidMode.key, "0") == "1";
  if (!wordIs(field.prefix, field.action)) return false;
  return field.parentPrefix.empty() || wordIs(field.parentPrefix, field.parentAction);
}

// OGM and mailbox names the OGM uses must be there; a name holding
// parameters is only known during a call.
std::optional<Problem> OgmEditCheck::CheckTargets() const {
  for (const OgmEditFields::Field& field : fields_.All()) {
    if (field.kind != Kind::kOgm && field.kind != Kind::kMailbox) continue;
    const auto sent = sent_.find(FieldName(field.section, field.key));
    if (sent == sent_.end() || !InUse(field)) continue;
    if (std::optional<Problem> problem = CheckTarget(field, sent->second)) return problem;
  }
  return std::nullopt;
}

std::optional<Problem> OgmEditCheck::CheckTarget(const OgmEditFields::Field& field, const std::string& value) const {
  const bool ogm = field.kind == Kind::kOgm;
  const std::string name = FieldName(field.section, field.key);
  if (value.empty()) return Problem{name, ogm ? "choose the OGM" : "choose the mailbox"};
  if (value.find('%') != std::string::npos) return std::nullopt;
  if (ogm ? ogmExists_(value) : mailboxExists_(value)) return std::nullopt;
  return Problem{name, ogm ? "no OGM of that name" : "no mailbox of that name"};
}
