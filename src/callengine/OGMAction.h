#pragma once

#include <array>
#include <string_view>

#include "core/TextCompare.h"

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

// Every action word, in the order the editors list them. In the header so
// the console's editor lists the same words.
inline constexpr std::array<OGMActionWord, 13> kOGMActionWords = {{
    {OGMAction::kNoResponse, "noresponse", "No Response", false, false},
    {OGMAction::kInvalid, "invalid", "Invalid Option", false, false},
    {OGMAction::kGo, "go", "Go To OGM...", true, true},
    {OGMAction::kMailbox, "mailbox", "Leave Message for Mailbox...", true, true},
    {OGMAction::kPlay, "play", "Play Wav/MP3 File...", true, false},
    {OGMAction::kRecord, "record", "Record Wav File...", true, true},
    {OGMAction::kSeek, "seek", "Rewind/Fast-Forward...", true, false},
    {OGMAction::kTransfer, "transfer", "Transfer Call...", true, true},
    {OGMAction::kDial, "dial", "Dial...", true, true},
    {OGMAction::kMailboxAccess, "mailboxaccess", "Access Mailbox Control", false, true},
    {OGMAction::kRepeat, "repeat", "Repeat OGM", false, false},
    {OGMAction::kGoodbye, "goodbye", "Goodbye (Polite Hang-up)", false, true},
    {OGMAction::kHangup, "hangup", "Hang-up (Immediate)", false, true},
}};

inline const std::array<OGMActionWord, 13>& OGMActionWords() { return kOGMActionWords; }

// The action a stored word names, without regard to case; an unknown or
// empty word is kNoResponse (no action).
inline OGMAction ParseOGMAction(std::string_view word) {
  for (const OGMActionWord& row : kOGMActionWords) {
    if (EqualIgnoringCase(row.word, word)) return row.action;
  }
  return OGMAction::kNoResponse;
}

// The table row of an action.
inline const OGMActionWord& OGMActionInfo(OGMAction action) {
  for (const OGMActionWord& row : kOGMActionWords) {
    if (row.action == action) return row;
  }
  return kOGMActionWords[0];
}

