#pragma once

#include <array>
#include <string_view>

// The keys of an OGM's ".ini" with their defaults, shared by the call
// controller that reads them and the console's editor that writes them.
// Header only: the console cannot link the call engine.
namespace ogm_keys {

struct BoolKey {
  std::string_view key;
  bool defaultValue;
};
struct IntKey {
  std::string_view key;
  int defaultValue;
};
struct TextKey {
  std::string_view key;
  std::string_view defaultValue;
};
// A per-action key, stored under the action's prefix followed by `suffix`.
// Names of files, OGMs and mailboxes are expanded as paths (ExpandPathParameters).
enum class Expansion { kNone, kText, kPath };
struct SuffixKey {
  std::string_view suffix;
  Expansion expansion;
};

inline constexpr std::string_view kIvr = "ivr";
inline constexpr std::string_view kDateTime = "datetime";
inline constexpr std::string_view kCid = "cid";
inline constexpr int kDefaultMaxRecordMs = 30000;

// [ivr] rows, in the order of LOGMDefinition's enums.
inline constexpr std::array<BoolKey, 9> kFlags = {{
    {"answer", true}, {"playtts", false}, {"playex", false}, {"readnumber", false},
    {"log", false}, {"announcecall", false}, {"run", false}, {"runasplugin", false},
    {"runcompleteskip", false},
}};
inline constexpr std::array<IntKey, 4> kNumbers = {{
    {"wait", 6}, {"repeat", 0}, {"playttsvoice", 0}, {"readnumbertype", 0},
}};
inline constexpr std::array<TextKey, 3> kTexts = {{
    {"logname", ""}, {"logline", "%date%,%time%,%linename%,%cid%"}, {"announceplay", ""},
}};
// "type": "enternumber" (any case) makes a number-entry node.
inline constexpr TextKey kType = {"type", "menu"};
inline constexpr std::string_view kNumberEntryType = "enternumber";
inline constexpr std::string_view kReadNumberVar = "readnumbervar";
// Defaults to the OGM's own ".wav".
inline constexpr std::string_view kPlayExFile = "playexfile";
// "runcount" entries "run1" … "run<runcount>".
inline constexpr std::string_view kRunCount = "runcount";
inline constexpr std::string_view kRunPrefix = "run";

// Per-action rows, in the order of LOGMDefinition's enums.
inline constexpr std::array<SuffixKey, 6> kActionTexts = {{
    {"go", Expansion::kPath}, {"transfer", Expansion::kNone}, {"dial", Expansion::kText},
    {"playfile", Expansion::kPath}, {"mbx", Expansion::kPath}, {"recfile", Expansion::kPath},
}};
inline constexpr std::array<BoolKey, 3> kActionFlags = {{
    {"mbxmessage", true}, {"recalc", true}, {"reccat", false},
}};
inline constexpr std::array<std::string_view, 3> kChains = {"transferfail", "afterdial", "recstop"};
inline constexpr IntKey kTransferMode = {"transfermode", 1};
// Durations in milliseconds; "maxtime" defaults to [settings] "maxrectime".
inline constexpr IntKey kMaxTime = {"maxtime", kDefaultMaxRecordMs};
inline constexpr IntKey kSilenceDetect = {"silencedetect", 5000};
inline constexpr IntKey kSeekTime = {"seektime", 0};

// Number entry ([ivr]).
inline constexpr BoolKey kVarLimit = {"varlimit", false};
inline constexpr BoolKey kListEnabled = {"varlimitlistenabled", false};
inline constexpr BoolKey kListExclude = {"varlimitlistexclude", false};
inline constexpr BoolKey kListIsFile = {"varlimitlistisfile", false};
inline constexpr IntKey kMaxDigits = {"maxdigits", 4};
inline constexpr IntKey kVarLimitMin = {"varlimitmin", 0};
inline constexpr IntKey kVarLimitMax = {"varlimitmax", 10000};
inline constexpr TextKey kVarName = {"varname", "number"};
inline constexpr TextKey kListFile = {"varlimitlistfile", ""};
inline constexpr TextKey kList = {"varlimitlist", ""};
inline constexpr std::array<BoolKey, 4> kEntryFlags = {kVarLimit, kListEnabled, kListExclude, kListIsFile};
inline constexpr std::array<IntKey, 3> kEntryNumbers = {kMaxDigits, kVarLimitMin, kVarLimitMax};
inline constexpr std::array<TextKey, 3> kEntryTexts = {kVarName, kListFile, kList};

// [datetime]: "commence" and "expire" are dates (0 = none), "todstart" and
// "todend" times of day in seconds.
inline constexpr IntKey kCommence = {"commence", 0};
inline constexpr IntKey kExpire = {"expire", 0};
inline constexpr IntKey kTodStart = {"todstart", 0};
inline constexpr IntKey kTodEnd = {"todend", 86400};
inline constexpr IntKey kWeekdays = {"weekdays", 127};
inline constexpr IntKey kFailMode = {"failmode", 0};
inline constexpr std::array<IntKey, 2> kDateTimeNumbers = {kWeekdays, kFailMode};

// [cid].
inline constexpr IntKey kIdType = {"idtype", 0};
inline constexpr IntKey kScanMode = {"cidscanmode", 0};
inline constexpr IntKey kCidMode = {"mode", 0};
inline constexpr std::array<IntKey, 3> kCidNumbers = {kIdType, kScanMode, kCidMode};

// Both checks: "enabled" (false) and the redirect target's key.
inline constexpr BoolKey kCheckEnabled = {"enabled", false};
inline constexpr std::string_view kDateTimeTarget = "failogm";
inline constexpr std::string_view kCidTarget = "ogm";
inline constexpr std::string_view kCidPattern = "cid";

}  // namespace ogm_keys
