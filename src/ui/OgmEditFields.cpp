#include "ui/OgmEditFields.h"

#include <algorithm>
#include <climits>

#include "callengine/OGMKeys.h"

using namespace ogm_keys;
using Kind = OgmEditFields::Kind;

namespace {

// Bounds the editor puts on numbers the engine takes as they come.
constexpr int kMaxWaitSeconds = 3600;
constexpr int kMaxRepeats = 99;
constexpr int kMaxRecordMs = 24 * 3600 * 1000;
constexpr int kMaxSeekMs = 3600 * 1000;
constexpr int kMaxEntryDigits = 31;

std::string Joined(std::string_view section, std::string_view key) {
  std::string joined(section);
  joined += '/';
  joined += key;
  return joined;
}

}  // namespace

OgmEditFields::OgmEditFields(const Context& context) {
  AddPlain(context);
  for (const std::string& prefix : Prefixes()) {
    const bool pad = prefix != "playcomplete";
    AddAction(prefix, pad ? Kind::kAction : Kind::kChained, "", OGMAction::kNoResponse, context.maxRecordMs);
  }
}

std::vector<std::string> OgmEditFields::Prefixes() {
  std::vector<std::string> prefixes;
  for (char key : std::string_view("0123456789*#")) prefixes.push_back(std::string("press") + key);
  prefixes.emplace_back("playcomplete");
  return prefixes;
}

const OgmEditFields::Field* OgmEditFields::Find(std::string_view section, std::string_view key) const {
  const auto found = index_.find(Joined(section, key));
  return found == index_.end() ? nullptr : &fields_[found->second];
}

OgmEditFields::Field& OgmEditFields::Add(std::string_view section, std::string_view key, Kind kind) {
  index_[Joined(section, key)] = fields_.size();
  Field& field = fields_.emplace_back();
  field.section = section;
  field.key = key;
  field.kind = kind;
  return field;
}

void OgmEditFields::AddPlain(const Context& context) {
  const auto number = [this](std::string_view section, const IntKey& row, int min, int max) {
    Field& field = Add(section, row.key, Kind::kInt);
    field.defaultNumber = row.defaultValue;
    field.min = min;
    field.max = max;
  };
  const auto flag = [this](std::string_view section, const BoolKey& row) {
    Add(section, row.key, Kind::kBool).defaultNumber = row.defaultValue;
  };
  const auto text = [this](const TextKey& row, Kind kind) { Add(kIvr, row.key, kind).defaultText = row.defaultValue; };

  Add(kIvr, kType.key, Kind::kType).defaultText = kType.defaultValue;
  for (const BoolKey& row : kFlags) flag(kIvr, row);
  number(kIvr, kNumbers[0], 0, kMaxWaitSeconds);
  number(kIvr, kNumbers[1], 0, kMaxRepeats);
  number(kIvr, kNumbers[2], 0, std::max(context.voiceCount - 1, 0));
  number(kIvr, kNumbers[3], 0, 3);
  text(kTexts[0], Kind::kFileTitle);
  text(kTexts[1], Kind::kText);
  text(kTexts[2], Kind::kText);
  Add(kIvr, kPlayExFile, Kind::kText).defaultText = context.ogmName + ".wav";
  Add(kIvr, kReadNumberVar, Kind::kText);
  number(kIvr, {kRunCount, 0}, 0, kMaxPrograms);
  for (int n = 1; n <= kMaxPrograms; ++n) Add(kIvr, std::string(kRunPrefix) + std::to_string(n), Kind::kText);

  for (const BoolKey& row : kEntryFlags) flag(kIvr, row);
  number(kIvr, kMaxDigits, 1, kMaxEntryDigits);
  number(kIvr, kVarLimitMin, INT_MIN, INT_MAX);
  number(kIvr, kVarLimitMax, INT_MIN, INT_MAX);
  for (const TextKey& row : kEntryTexts) text(row, Kind::kText);

  flag(kDateTime, kCheckEnabled);
  Add(kDateTime, kCommence.key, Kind::kDate);
  Add(kDateTime, kExpire.key, Kind::kDate);
  Add(kDateTime, kTodStart.key, Kind::kTime).defaultNumber = kTodStart.defaultValue;
  Add(kDateTime, kTodEnd.key, Kind::kTime).defaultNumber = kTodEnd.defaultValue;
  number(kDateTime, kWeekdays, 0, 127);
  number(kDateTime, kFailMode, 0, 2);
  Add(kDateTime, kDateTimeTarget, Kind::kOgm);

  flag(kCid, kCheckEnabled);
  number(kCid, kIdType, 0, 2);
  Add(kCid, kCidPattern, Kind::kText);
  number(kCid, kScanMode, 0, 3);
  number(kCid, kCidMode, 0, 2);
  Add(kCid, kCidTarget, Kind::kOgm);
}

void OgmEditFields::AddAction(const std::string& prefix, Kind wordKind, const std::string& parentPrefix,
                              OGMAction parentAction, int maxRecordMs) {
  Add(kIvr, prefix, wordKind).defaultText = "noresponse";
  const auto param = [&](std::string_view suffix, Kind kind, OGMAction action) -> Field& {
    Field& field = Add(kIvr, prefix + std::string(suffix), kind);
    field.prefix = prefix;
    field.action = action;
    field.parentPrefix = parentPrefix;
    field.parentAction = parentAction;
    return field;
  };
  param(kActionTexts[0].suffix, Kind::kOgm, OGMAction::kGo);
  param(kActionTexts[1].suffix, Kind::kText, OGMAction::kTransfer);
  Field& mode = param(kTransferMode.key, Kind::kInt, OGMAction::kTransfer);
  mode.defaultNumber = kTransferMode.defaultValue;
  mode.max = 2;
  param(kActionTexts[2].suffix, Kind::kText, OGMAction::kDial);
  param(kActionTexts[3].suffix, Kind::kText, OGMAction::kPlay);
  param(kActionTexts[4].suffix, Kind::kMailbox, OGMAction::kMailbox);
  param(kActionFlags[0].key, Kind::kBool, OGMAction::kMailbox).defaultNumber = kActionFlags[0].defaultValue;
  param(kActionTexts[5].suffix, Kind::kText, OGMAction::kRecord);
  const auto duration = [&](const IntKey& row, OGMAction action, int fallback, int min, int max) {
    Field& field = param(row.key, Kind::kDuration, action);
    field.defaultNumber = fallback;
    field.min = min;
    field.max = max;
  };
  duration(kMaxTime, OGMAction::kRecord, maxRecordMs, 1, kMaxRecordMs);
  duration(kSilenceDetect, OGMAction::kRecord, kSilenceDetect.defaultValue, 0, kMaxRecordMs);
  for (std::size_t i = 1; i < kActionFlags.size(); ++i)
    param(kActionFlags[i].key, Kind::kBool, OGMAction::kRecord).defaultNumber = kActionFlags[i].defaultValue;
  duration(kSeekTime, OGMAction::kSeek, kSeekTime.defaultValue, -kMaxSeekMs, kMaxSeekMs);
  if (!parentPrefix.empty()) return;
  const OGMAction chaining[] = {OGMAction::kTransfer, OGMAction::kDial, OGMAction::kRecord};
  for (std::size_t i = 0; i < kChains.size(); ++i)
    AddAction(prefix + std::string(kChains[i]), Kind::kChained, prefix, chaining[i], maxRecordMs);
}
