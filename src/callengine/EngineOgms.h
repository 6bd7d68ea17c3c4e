#pragma once

#include <optional>
#include <string>
#include <vector>

#include "callengine/LOGMFiles.h"
#include "callengine/OGMReferences.h"
#include "core/DataFolders.h"
#include "ui/ConsoleOgms.h"

class LogFile;

// The OGM list's view of the OGM folder, for the console: rows in either
// order, the file commands and the report. Used on the main loop only.
class EngineOgms final : public ConsoleOgms {
 public:
  // Bytes of an OGM's ".txt" the list shows.
  static constexpr std::size_t kNotesBytes = 127;

  EngineOgms(const DataFolders& folders, LogFile& log) : folders_(folders), files_(folders.Ogms()), log_(log) {}

  Listing List(int order) override;
  bool Create(const std::string& name) override;
  bool Rename(const std::string& from, const std::string& to) override { return files_.Rename(from, to); }
  bool Remove(const std::string& name) override { return files_.Remove(name); }
  std::vector<std::string> References(const std::string& name) override;
  int MoveReferences(const std::string& from, const std::string& to) override;
  std::optional<std::string> WriteReport(const std::vector<std::string>& names) override;

 private:
  Row RowOf(const std::string& name) const;
  std::vector<OGMReferences::Place> PlacesNaming(const std::string& name) const;
  std::string Proposal() const;

  const DataFolders& folders_;
  const LOGMFiles files_;
  LogFile& log_;
};
