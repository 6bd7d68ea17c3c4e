#pragma once

#include <string>
#include <string_view>
#include <vector>

// The places that name an OGM: other OGMs' actions that go to it (chained
// ones too), their date-time and number checks that skip to it, and the
// settings that answer with it. Renaming an OGM does not change them; the
// console shows them and moves them to the new name when the owner asks.
class OGMReferences {
 public:
  struct Place {
    std::string file;  // an OGM's ".ini" or the settings file
    std::string section;
    std::string key;
    std::string caption;  // "Main Menu: key 1", "Office hours, outside them"
  };

  // Only actions and checks that are in use count; names compare without case.
  static std::vector<Place> Find(const std::string& ogmFolder, const std::string& settingsFile,
                                 std::string_view name);
  static void MoveTo(const std::vector<Place>& places, std::string_view name);
};
