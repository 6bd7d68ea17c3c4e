#pragma once

#include <optional>
#include <string>
#include <vector>

// What the OGM list asks of the engine's OGM files. The engine implements
// it; the console calls it only from tasks on the engine's main loop.
class ConsoleOgms {
 public:
  struct Row {
    std::string name;
    bool answer = true;
    bool data = false;  // a number-entry OGM
    std::string notes;  // the start of its ".txt", control bytes as spaces
  };
  struct Listing {
    int order = 0;  // 0 alphabetical, 1 logical
    std::vector<Row> rows;
    std::string proposal;  // the name New offers
  };

  // The report's file in the data root.
  static constexpr const char* kReportName = "report.rtf";

  virtual ~ConsoleOgms() = default;

  // The rows in `order` (0 alphabetical, 1 logical). When the logical order
  // cannot be numbered (read-only files) the failure is logged and the rows
  // come alphabetically, with order 0.
  virtual Listing List(int order) = 0;
  // False when the name is refused or taken, or the file cannot be written.
  virtual bool Create(const std::string& name) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& name) = 0;
  // Where other OGMs and the settings name `name`, as captions ("Main: key
  // 1"); a rename leaves them naming the old name.
  virtual std::vector<std::string> References(const std::string& name) = 0;
  // Makes every one of them name `to`; how many there were.
  virtual int MoveReferences(const std::string& from, const std::string& to) = 0;
  // Writes "report.rtf" into the data root for `names`, in that order, and
  // returns the same report as HTML; nothing when the file cannot be written.
  virtual std::optional<std::string> WriteReport(const std::vector<std::string>& names) = 0;
};
