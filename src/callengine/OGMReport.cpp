#include "callengine/OGMReport.h"

#include <array>
#include <cstdlib>

#include "callengine/LOGMDefinition.h"
#include "core/HtmlEscape.h"
#include "core/Profile.h"
#include "core/TextFormat.h"

namespace ogm_report {
namespace {

using Flag = LOGMDefinition::Flag;
using Number = LOGMDefinition::Number;

// The report's key order.
constexpr std::string_view kKeys = "1234567890#*";

// The [ivr] text stored under `key` + `suffix` ("press1" + "go"), as written:
// the report shows what the user entered, parameters unexpanded.
std::string Stored(const std::string& ini, std::string_view key, std::string_view suffix = "") {
  return ProfileReadString(ini, "ivr", std::string(key) + std::string(suffix), "");
}

std::string SeekText(int ms) {
  const long magnitude = std::labs(static_cast<long>(ms));
  return TextFormat("%s%ld:%.2ld:%.2ld.%.3ld", ms < 0 ? "-" : "", magnitude / 3600000, magnitude / 60000 % 60,
                    magnitude / 1000 % 60, magnitude % 1000);
}

// What the action stored under `prefix` does; "" when it does nothing.
std::string ActionText(const LOGMDefinition& ogm, std::string_view prefix) {
  const std::string& ini = ogm.IniPath();
  switch (ogm.Action(prefix)) {
    case OGMAction::kGo: return "Go to OGM " + Stored(ini, prefix, "go");
    case OGMAction::kHangup: return "Hangup";
    case OGMAction::kGoodbye: return "Say Goodbye then Hangup";
    case OGMAction::kTransfer: return "Transfer call to " + Stored(ini, prefix, "transfer");
    case OGMAction::kDial: return "Dial " + Stored(ini, prefix, "dial");
    case OGMAction::kPlay: return "Play File " + Stored(ini, prefix, "playfile");
    case OGMAction::kMailbox: return "Leave Message for Mailbox " + Stored(ini, prefix, "mbx");
    case OGMAction::kMailboxAccess: return "MailBox Remote Access";
    case OGMAction::kRecord: return "Record file " + Stored(ini, prefix, "recfile");
    case OGMAction::kRepeat: return "Repeat OGM";
    case OGMAction::kSeek: return "Rewind or Forward " + SeekText(ogm.SeekTime(prefix));
    case OGMAction::kNoResponse:
    case OGMAction::kInvalid: break;
  }
  return "";
}

void AddChecks(const LOGMDefinition& ogm, std::vector<std::string>& lines) {
  const std::string& ini = ogm.IniPath();
  if (ProfileReadBool(ini, "datetime", "enabled", false)) lines.push_back("+ Uses Date-Time Validity Checking.");
  if (ProfileReadBool(ini, "cid", "enabled", false))
    lines.push_back("+ Uses Number ID Checking (" + ProfileReadString(ini, "cid", "cid", "") + ").");
  if (ogm.IsSet(Flag::kLog))
    lines.push_back("+ Writes a special entry to log (" + Stored(ini, "logname") + ").");
  if (ogm.IsSet(Flag::kAnnounceCall))
    lines.push_back("+ Plays announcement (" + Stored(ini, "announceplay") + ").");
  if (!ogm.IsSet(Flag::kRun)) return;
  lines.push_back(ogm.IsSet(Flag::kRunAsPlugin) ? "+ Run ZAV Plugin" : "+ Run Exe File");
  for (int n = 1; n <= ogm.ProgramCount(); ++n) lines.push_back("  " + Stored(ini, "run" + std::to_string(n)));
}

}  // namespace

Entry Describe(const std::string& iniPath) {
  const LOGMDefinition ogm(iniPath);
  Entry entry{ogm.Name(), ogm.SpokenText(), {}, ActionText(ogm, "playcomplete")};
  AddChecks(ogm, entry.lines);
  for (char key : kKeys) {
    const std::string action = ActionText(ogm, "press" + std::string(1, key));
    if (!action.empty()) entry.lines.push_back(TextFormat("+ Press %c: %s.", key, action.c_str()));
  }
  if (const int wait = ogm.Value(Number::kWait); wait != 0) entry.lines.push_back(TextFormat("Wait %ds.", wait));
  if (const int repeat = ogm.Value(Number::kRepeat); repeat != 0)
    entry.lines.push_back(TextFormat("Repeat %d times.", repeat));
  return entry;
}

}  // namespace ogm_report

namespace ogm_report {
namespace {

constexpr std::string_view kRtfHeader =
    "{\\rtf1\\ansi\r\n{\\fonttbl {\\f0\\fswiss Verdana;}\t}\r\n"
    "{\\colortbl; \\red000\\green000\\blue000; \\red128\\green000\\blue032; }\\f0\\fs20\\cf1\r\n";

// Copied text cannot end a group or start a control word; each line break
// (CR LF, LF or CR) becomes a paragraph.
std::string RtfText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\par\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string Rtf(const std::vector<Entry>& entries) {
  std::string out(kRtfHeader);
  for (const Entry& entry : entries) {
    out += "{\\b " + RtfText(entry.name) + "}\\par\\par{\\i " + RtfText(entry.text) + "}\\par\\par";
    for (const std::string& line : entry.lines) out += RtfText(line) + "\\par";
    if (!entry.next.empty()) out += "-> " + RtfText(entry.next) + "\\par\\par\\par";
  }
  out += "\\par\r\nOGM Report created by:\\par\r\n" + RtfText(kCredit) + "\\par\r\n}";
  return out;
}

// Line breaks of the texts are kept by the page's style (pre-wrap).
std::string Html(const std::vector<Entry>& entries) {
  std::string out;
  for (const Entry& entry : entries) {
    out += "<article class=\"ogm-report-entry\"><h3>" + HtmlEscape(entry.name) + "</h3>";
    if (!entry.text.empty()) out += "<p class=\"ogm-report-text\"><i>" + HtmlEscape(entry.text) + "</i></p>";
    for (const std::string& line : entry.lines) out += "<p>" + HtmlEscape(line) + "</p>";
    if (!entry.next.empty()) out += "<p>-&gt; " + HtmlEscape(entry.next) + "</p>";
    out += "</article>";
  }
  out += "<p class=\"ogm-report-credit\">OGM Report created by:<br>" + HtmlEscape(kCredit) + "</p>";
  return out;
}

}  // namespace ogm_report
