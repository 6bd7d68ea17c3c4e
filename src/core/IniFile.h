#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The text of one INI file, parsed for look-ups and edited in place.
//
// Reading: section and key names are compared without regard to (ASCII) case,
// spaces and tabs around names and values are ignored, one pair of double
// quotes around a value is removed, lines starting with ";" are comments, and
// the first occurrence of a key wins (sections of the same name count as one).
// Lines before the first section, lines without "=" and keys with an empty
// name are skipped. Lines end in LF or CRLF; a UTF-8 byte order mark is
// ignored.
//
// Editing keeps every other byte of the text as it was: a changed key keeps
// its line and spelling, a new key goes after the last key of its section, a
// new section at the end. New lines use the file's line-end style (LF for a
// new file).
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string_view text);

  // The value as read (trimmed, unquoted); valid until the next edit.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  bool HasAnySection() const { return !sections_.empty(); }

  // False (and no change) for names that cannot be stored: empty, a line
  // break, "]" in a section name, "=" in a key, or a key starting with "[",
  // ";" or a byte order mark. Line breaks inside the value become spaces.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every occurrence, so the key reads as missing afterwards.
  void DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines.
  void DeleteSection(std::string_view section);

  std::string Text() const;

  static bool ValidSectionName(std::string_view section);
  static bool ValidKeyName(std::string_view key);

 private:
  enum class Kind { kOther, kSection, kKey };
  struct Line {
    std::string text;  // as stored, line end included
    Kind kind = Kind::kOther;
    std::string name;  // folded section or key name
  };

  static Line MakeLine(std::string_view text);
  void Reindex();
  void ReplaceValue(std::size_t line, std::string_view value);
  void InsertLine(std::size_t at, std::string_view text);
  void EnsureFinalLineEnd();
  void AppendSection(std::string_view section, std::string_view key, std::string_view value);
  template <typename Pred>
  void EraseLines(Pred remove);

  std::vector<Line> lines_;
  std::string lineEnd_ = "\n";
  std::unordered_map<std::string, std::size_t> keys_;  // "section\nkey" -> line
  // Per folded section name: the line a new key goes after (the last key of
  // the first section of that name, else its header).
  std::unordered_map<std::string, std::size_t> sections_;
};
