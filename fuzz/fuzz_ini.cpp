// Parses arbitrary text as an INI file, applies one edit and checks that the
// edit did what it says, left another key alone, and survives a save and a
// fresh parse.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/IniFile.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The comparison rules, written out independently of the parser.
std::string Normalised(std::string_view name) {
  std::size_t begin = name.find_first_not_of(" \t");
  std::size_t end = name.find_last_not_of(" \t");
  std::string folded(begin == std::string_view::npos ? "" : name.substr(begin, end - begin + 1));
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string ExpectedRead(std::string value) {
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::size_t begin = value.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  value = value.substr(begin, value.find_last_not_of(" \t") - begin + 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::optional<std::string> Read(const IniFile& file, std::string_view section,
                                std::string_view key) {
  std::optional<std::string_view> value = file.Find(section, key);
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

struct Names {
  std::string section;
  std::string key;
};

// Applies the edit chosen by `op` and checks what reads back in `file`.
void EditAndCheck(IniFile& file, int op, const Names& edit, const std::string& value) {
  if (op == 0) {
    bool valid = IniFile::ValidSectionName(edit.section) && IniFile::ValidKeyName(edit.key);
    Require(file.Set(edit.section, edit.key, value) == valid);
    if (valid) Require(Read(file, edit.section, edit.key) == ExpectedRead(value));
  } else if (op == 1) {
    file.DeleteKey(edit.section, edit.key);
    Require(!file.Find(edit.section, edit.key));
  } else {
    file.DeleteSection(edit.section);
    Require(!file.HasSection(edit.section) && !file.Find(edit.section, edit.key));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  int op = input.ConsumeIntegralInRange(0, 2);
  Names edit{input.ConsumeRandomLengthString(24), input.ConsumeRandomLengthString(24)};
  Names probe{input.ConsumeRandomLengthString(24), input.ConsumeRandomLengthString(24)};
  std::string value = input.ConsumeRandomLengthString(64);
  std::string text = input.ConsumeRemainingBytesAsString();

  IniFile file(text);
  Require(file.Text() == text);
  std::optional<std::string> probeBefore = Read(file, probe.section, probe.key);
  EditAndCheck(file, op, edit, value);

  bool sameSection = Normalised(probe.section) == Normalised(edit.section);
  bool sameKey = sameSection && Normalised(probe.key) == Normalised(edit.key);
  bool probeTouched = op == 2 ? sameSection : sameKey;
  if (!probeTouched) Require(Read(file, probe.section, probe.key) == probeBefore);

  IniFile saved(file.Text());
  Require(saved.Text() == file.Text());
  Require(Read(saved, edit.section, edit.key) == Read(file, edit.section, edit.key));
  Require(Read(saved, probe.section, probe.key) == Read(file, probe.section, probe.key));
  return 0;
}
