#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// The outbound number list "outboundlist.txt" in the data folder: entries
// separated by ";", each a number optionally followed by "&key=value"
// parameters; characters of code 32 or less inside an entry are ignored.
// The scheduler takes entries from the head; retries go to the end.
class OutboundList {
 public:
  static constexpr const char *kFileName = "outboundlist.txt";
  // Why a change or a copy of the list was refused (nothing written).
  static constexpr const char *kNotReadWhole =
      "the outbound list could not be read whole (it may hold over 16 MB)";

  OutboundList(std::string dataRoot, std::string settingsFile);

  // Appends `entry` and makes the run active ([outbound] "active").
  bool Add(const std::string &entry) const;
  // Appends `entry`; the run stays as it is. Like every change below, false
  // (nothing written) when the list cannot be read whole: it cannot be
  // opened, or holds more than 16 MB.
  bool Append(const std::string &entry) const;

  // The list's text as it stands ("" when there is none; only its first
  // 16 MB when larger), and its
  // replacement by `text` in one atomic rewrite; a text of blanks only
  // removes the list. The run stays as it is.
  std::string Text() const;
  bool Replace(const std::string &text) const;
  // The whole list, "" when there is none; nullopt when it cannot be read
  // whole, so a rewrite or copy of it would lose entries.
  std::optional<std::string> WholeText() const;

  // The entries as the scheduler reads them (blanks removed), in list order;
  // empty ones are left out.
  std::vector<std::string> Entries() const;
  // Replaces the first entry reading `was` by `now`, or removes it when
  // `now` is nothing; the rest of the text stays as it is. Entries are found
  // by their text, not their place, so an edit made while the scheduler
  // takes the head or appends a retry changes the entry the user saw.
  enum class Edit { kDone, kGone, kFailed };
  Edit Change(const std::string &was, const std::optional<std::string> &now) const;

  // What taking the head gave.
  struct Head {
    enum class Kind { kEmpty, kWaiting, kSkipped, kTaken };
    Kind kind = Kind::kEmpty;
    std::string entry;  // kTaken: cut to 259 characters, blanks removed
  };
  // Takes the head entry unless it waits for its "intervalnext" after `now`
  // or the list cannot be read whole (kWaiting).
  // An empty or missing list, or taking the last entry, ends the run.
  Head TakeHead(std::time_t now) const;

  // The number of an entry: the text before its first "&".
  static std::string Number(const std::string &entry);
  // Why `text`, to be added, would give the scheduler nothing to call: an
  // entry in it (they are separated by ";") has no number. Empty when fine.
  static std::string AddProblem(const std::string &text);

 private:
  std::string Path() const;
  void SetActive(bool active) const;

  const std::string dataRoot_;
  const std::string settingsFile_;
};
