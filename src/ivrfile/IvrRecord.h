#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One record of a checked ".ivr" file. File records keep where their
// content lies in the file, not the content itself.
struct IvrRecord {
  uint8_t tag = 0;
  // File records.
  std::string name;
  int64_t contentOffset = 0;
  uint32_t size = 0;
  uint32_t checksum = 0;
  // Keep-lists: the titles to keep (padding included).
  std::vector<std::string> titles;
  // Settings.
  std::string section;
  std::string key;
  std::string value;
  // Notes.
  std::string text;
  // The file position just after the record.
  int64_t end = 0;
};
