#pragma once

#include <array>
#include <string_view>

// What an OGM does for a key, for the end of its wait ("playcomplete") or
// after a transfer, dial or recording (the chained keys). Stored as a word.
enum class OGMAction {
  kNoResponse,
  kInvalid,
  kGo,
  kMailbox,
  kPlay,
  kRecord,
  kSeek,
  kTransfer,
  kDial,
  kMailboxAccess,
  kRepeat,
  kGoodbye,
  kHangup,
};

// One action word as the editors list it.
struct OGMActionWord {
  OGMAction action;
  std::string_view word;   // stored form
  std::string_view label;  // the editors' text
  bool settings;           // the editors open a settings dialog for it
  bool chained;            // offered for the chained keys and "playcomplete"
};

// Every action word, in the order the editors list them.
const std::array<OGMActionWord, 13>& OGMActionWords();

// The action a stored word names, without regard to case; an unknown or
// empty word is kNoResponse (no action).
OGMAction ParseOGMAction(std::string_view word);

// The table row of an action.
const OGMActionWord& OGMActionInfo(OGMAction action);
