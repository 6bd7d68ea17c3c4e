#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The files of the OGMs in one folder: name + ".ini" (the definition; the
// OGM exists exactly when it does), ".wav" (its audio) and ".txt" (its text).
// Names are looked up without regard to case; a name that is empty or holds
// "/", "\" or ".." is refused.
class LOGMFiles {
 public:
  // The OGM every answering setting defaults to.
  static constexpr std::string_view kDefaultName = "Default Answering Message";
  static constexpr std::array<std::string_view, 3> kExtensions = {".ini", ".wav", ".txt"};

  explicit LOGMFiles(std::string folder) : folder_(std::move(folder)) {}

  // The path of the OGM's definition, whether or not it exists; nullopt for
  // a refused name.
  std::optional<std::string> IniPath(std::string_view name) const;
  // The path of the OGM's definition when it exists as a regular file.
  std::optional<std::string> ExistingIniPath(std::string_view name) const;
  bool Exists(std::string_view name) const { return ExistingIniPath(name).has_value(); }

  // Renames the OGM's files together. Fails when `from` does not exist or
  // another OGM is named `to`; a failure part-way renames the moved files
  // back. References from other OGMs are not rewritten.
  bool Rename(std::string_view from, std::string_view to) const;
  // Deletes the OGM's files; false when it did not exist or its definition
  // could not be removed.
  bool Remove(std::string_view name) const;

 private:
  std::optional<std::string> FilePath(std::string_view name, std::string_view ext) const;

  std::string folder_;
};
