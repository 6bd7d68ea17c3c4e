#pragma once

#include <string>
#include <utility>
#include <vector>

// The store's side of a message being left: the record is created when the
// recording starts and the bookkeeping is done once the message is kept (a
// message too short to keep is removed with LMailBoxMessage::Delete).
class LMessageArrival {
 public:
  // Recordings of this length or shorter are not kept as messages.
  static constexpr int kShortestKeptMs = 2500;

  using Parameters = std::vector<std::pair<std::string, std::string>>;

  // What the main window must be told of a kept message.
  struct Notice {
    // A new message to announce ("newmessages" was set).
    bool newMessage = false;
    // The mailbox wants a beep for it.
    bool beep = false;
  };

  // Takes the next message number, creates the record and writes into its
  // "message" section, in one update: the call's parameters (later pairs win
  // over earlier ones of the same name), "mailboxname", "cid" and
  // "callername". Parameters named like the record's own flags ("read",
  // "sentemail", "sentftp", "senttofolder", "compressed") are left out, so
  // that no caller's value marks the message read or delivered. Returns the
  // record path (its audio goes to LMailBox::AudioPath of it), "" on failure.
  static std::string Start(const std::string& settingsFile, const std::string& mailBoxPath,
                           const Parameters& parameters, const std::string& cid,
                           const std::string& callerName);

  // Books a kept message: unless the mailbox deletes messages once e-mailed
  // with their audio, [state] "newmessages" of the settings becomes true and
  // the notice asks for an announcement; the mailbox is marked as having
  // unsent messages.
  static Notice Arrived(const std::string& settingsFile, const std::string& mailBoxPath);
};
