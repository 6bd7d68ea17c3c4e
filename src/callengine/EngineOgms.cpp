#include "callengine/EngineOgms.h"

#include <algorithm>

#include "callengine/LOGMDefinition.h"
#include "callengine/OGMListOrder.h"
#include "callengine/OGMReport.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Profile.h"
#include "log/LogFile.h"

namespace {

// Every key a caller can press, for a new OGM's definition.
constexpr std::string_view kKeys = "1234567890*#";

}  // namespace

ConsoleOgms::Listing EngineOgms::List(int order) {
  std::vector<std::string> names;
  if (order == 1) {
    const std::string answering =
        ProfileReadString(folders_.SettingsFile(), "settings", "ogm", LOGMFiles::kDefaultName);
    std::optional<std::vector<std::string>> logical = ogm_list_order::Logical(folders_.Ogms(), answering);
    if (logical) {
      names = std::move(*logical);
    } else {
      log_.LogError("ERROR OGM Files are Read Only!!!");
      order = 0;
    }
  }
  if (order != 1) {
    order = 0;
    names = ogm_list_order::Alphabetical(folders_.Ogms());
  }
  Listing listing{order, {}, Proposal()};
  for (const std::string& name : names) listing.rows.push_back(RowOf(name));
  return listing;
}

// A menu that does nothing for any key, plays once, waits the usual six
// seconds and says goodbye: safe to answer with before it is edited.
bool EngineOgms::Create(const std::string& name) {
  const std::optional<std::string> ini = files_.IniPath(name);
  if (!ini || files_.Exists(name)) return false;
  bool written = ProfileWriteString(*ini, "ivr", "type", "menu") && ProfileWriteBool(*ini, "ivr", "answer", true) &&
                 ProfileWriteInt(*ini, "ivr", "wait", 6) && ProfileWriteInt(*ini, "ivr", "repeat", 0);
  for (char key : kKeys)
    written = written && ProfileWriteString(*ini, "ivr", "press" + std::string(1, key), "noresponse");
  written = written && ProfileWriteString(*ini, "ivr", "playcomplete", "goodbye") &&
            ProfileWriteInt(*ini, "ivr", "logicalorder", ogm_list_order::kUnnumbered);
  if (!written) files_.Remove(name);
  return written;
}

std::optional<std::string> EngineOgms::WriteReport(const std::vector<std::string>& names) {
  std::vector<ogm_report::Entry> entries;
  for (const std::string& name : names)
    if (std::optional<std::string> ini = files_.ExistingIniPath(name)) entries.push_back(ogm_report::Describe(*ini));
  if (!ReplaceFileText(PathJoin(folders_.Root(), kReportName), ogm_report::Rtf(entries)))
    return std::nullopt;
  return ogm_report::Html(entries);
}

ConsoleOgms::Row EngineOgms::RowOf(const std::string& name) const {
  const LOGMDefinition ogm(files_.IniPath(name).value_or(""));
  Row row{name, ogm.IsSet(LOGMDefinition::Flag::kAnswer), ogm.IsNumberEntry(), ""};
  const std::string text = ResolveCaseInsensitive(PathReplaceExtension(ogm.IniPath(), ".txt"));
  row.notes = ReadFileText(text, kNotesBytes + 1).value_or("");
  const bool cut = row.notes.size() > kNotesBytes;
  row.notes.resize(std::min(row.notes.size(), kNotesBytes));
  for (char& c : row.notes)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  if (cut) row.notes += "\u2026";  // the list shows the start of a longer text
  return row;
}

std::string EngineOgms::Proposal() const {
  for (int n = 1;; ++n) {
    std::string name = "OGM " + std::to_string(n);
    if (!files_.Exists(name)) return name;
  }
}

std::vector<OGMReferences::Place> EngineOgms::PlacesNaming(const std::string& name) const {
  return OGMReferences::Find(folders_.Ogms(), folders_.SettingsFile(), name);
}

std::vector<std::string> EngineOgms::References(const std::string& name) {
  std::vector<std::string> captions;
  for (const OGMReferences::Place& place : PlacesNaming(name)) captions.push_back(place.caption);
  return captions;
}

int EngineOgms::MoveReferences(const std::string& from, const std::string& to) {
  const std::vector<OGMReferences::Place> places = PlacesNaming(from);
  OGMReferences::MoveTo(places, to);
  return static_cast<int>(places.size());
}
