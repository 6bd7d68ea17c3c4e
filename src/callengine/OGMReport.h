#pragma once

#include <string>
#include <string_view>
#include <vector>

// The OGM report: for each OGM its text, the checks it makes, what each key
// does, its wait and repeats and where it goes when nothing is pressed.
// Written as rich text ("report.rtf") and shown as HTML in the console.
namespace ogm_report {

inline constexpr std::string_view kCredit = "Zavotel, the telephone answering and voice-mail system";

// One OGM's part of the report, as plain text.
struct Entry {
  std::string name;
  std::string text;                // its ".txt", whole
  std::vector<std::string> lines;  // "+ Press 1: Go to OGM Sales." and the like
  std::string next;                // what "playcomplete" does; "" for nothing
};

// The entry of the OGM whose definition is `iniPath`.
Entry Describe(const std::string& iniPath);

// The documents; every copied text is escaped for its format.
std::string Rtf(const std::vector<Entry>& entries);
std::string Html(const std::vector<Entry>& entries);

}  // namespace ogm_report
