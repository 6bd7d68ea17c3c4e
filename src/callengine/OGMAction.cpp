#include "callengine/OGMAction.h"

#include "callengine/ParameterText.h"

namespace {

using A = OGMAction;

constexpr std::array<OGMActionWord, 13> kWords = {{
    {A::kNoResponse, "noresponse", "No Response", false, false},
    {A::kInvalid, "invalid", "Invalid Option", false, false},
    {A::kGo, "go", "Go To OGM...", true, true},
    {A::kMailbox, "mailbox", "Leave Message for Mailbox...", true, true},
    {A::kPlay, "play", "Play Wav/MP3 File...", true, false},
    {A::kRecord, "record", "Record Wav File...", true, true},
    {A::kSeek, "seek", "Rewind/Fast-Forward...", true, false},
    {A::kTransfer, "transfer", "Transfer Call...", true, true},
    {A::kDial, "dial", "Dial...", true, true},
    {A::kMailboxAccess, "mailboxaccess", "Access Mailbox Control", false, true},
    {A::kRepeat, "repeat", "Repeat OGM", false, false},
    {A::kGoodbye, "goodbye", "Goodbye (Polite Hang-up)", false, true},
    {A::kHangup, "hangup", "Hang-up (Immediate)", false, true},
}};

}  // namespace

const std::array<OGMActionWord, 13>& OGMActionWords() { return kWords; }

OGMAction ParseOGMAction(std::string_view word) {
  for (const OGMActionWord& row : kWords) {
    if (EqualIgnoringCase(row.word, word)) return row.action;
  }
  return OGMAction::kNoResponse;
}

const OGMActionWord& OGMActionInfo(OGMAction action) {
  for (const OGMActionWord& row : kWords) {
    if (row.action == action) return row;
  }
  return kWords[0];
}
