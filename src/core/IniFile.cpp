#include "core/IniFile.h"

#include <algorithm>
#include <optional>

#include "core/TextTrim.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string KeyId(std::string_view section, std::string_view key) {
  return Fold(TrimText(section)) + '\n' + Fold(TrimText(key));
}

// The line without its line end (LF, CRLF or a lone CR left at the end).
std::string_view Content(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view LineEndOf(std::string_view line) { return line.substr(Content(line).size()); }

std::string_view SectionName(std::string_view trimmed) {
  std::string_view inside = trimmed.substr(1);
  return TrimText(inside.substr(0, inside.find(']')));
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view ValueOf(std::string_view line) {
  std::string_view content = Content(line);
  return Unquote(TrimText(content.substr(content.find('=') + 1)));
}

}  // namespace

IniFile::IniFile(std::string_view text) {
  lines_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines_.push_back(MakeLine(text.substr(0, length)));
    text.remove_prefix(length);
  }
  // New lines follow the first line's style.
  if (!lines_.empty() && lines_.front().text.ends_with("\r\n")) lineEnd_ = "\r\n";
  Reindex();
}

IniFile::Line IniFile::MakeLine(std::string_view text) {
  Line line;
  line.text = std::string(text);
  std::string_view content = Content(text);
  // A byte order mark (written by some editors) would hide the first header.
  if (content.starts_with(kUtf8Bom)) content.remove_prefix(kUtf8Bom.size());
  std::string_view trimmed = TrimText(content);
  if (trimmed.starts_with('[')) {
    line.kind = Kind::kSection;
    line.name = Fold(SectionName(trimmed));
  } else if (!trimmed.starts_with(';') && trimmed.find('=') != std::string_view::npos) {
    std::string_view key = TrimText(trimmed.substr(0, trimmed.find('=')));
    if (!key.empty()) {
      line.kind = Kind::kKey;
      line.name = Fold(key);
    }
  }
  return line;
}

void IniFile::Reindex() {
  keys_.clear();
  keys_.reserve(lines_.size());
  sections_.clear();
  const std::string* section = nullptr;  // folded name of the current section
  bool firstOfName = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kSection) {
      section = &line.name;
      firstOfName = sections_.try_emplace(line.name, i).second;
    } else if (line.kind == Kind::kKey && section) {
      keys_.try_emplace(*section + '\n' + line.name, i);
      if (firstOfName) sections_[*section] = i;
    }
  }
}

std::optional<std::string_view> IniFile::Find(std::string_view section,
                                              std::string_view key) const {
  auto found = keys_.find(KeyId(section, key));
  if (found == keys_.end()) return std::nullopt;
  return ValueOf(lines_[found->second].text);
}

bool IniFile::HasSection(std::string_view section) const {
  return sections_.contains(Fold(TrimText(section)));
}

bool IniFile::ValidSectionName(std::string_view section) {
  section = TrimText(section);
  return !section.empty() && section.find_first_of("]\r\n") == std::string_view::npos;
}

bool IniFile::ValidKeyName(std::string_view key) {
  key = TrimText(key);
  return !key.empty() && key.find_first_of("=\r\n") == std::string_view::npos &&
         key.front() != '[' && key.front() != ';' && !key.starts_with(kUtf8Bom);
}

bool IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (!ValidSectionName(section) || !ValidKeyName(key)) return false;
  section = TrimText(section);
  key = TrimText(key);
  std::string oneLine(value);
  for (char& c : oneLine) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  if (auto found = keys_.find(KeyId(section, key)); found != keys_.end()) {
    ReplaceValue(found->second, oneLine);
  } else if (auto place = sections_.find(Fold(section)); place != sections_.end()) {
    InsertLine(place->second + 1, std::string(key) + '=' + oneLine + lineEnd_);
  } else {
    AppendSection(section, key, oneLine);
  }
  Reindex();
  return true;
}

void IniFile::ReplaceValue(std::size_t line, std::string_view value) {
  std::string& text = lines_[line].text;
  std::string_view content = Content(text);
  // Keep the key's spelling and the spacing around "=" as they were.
  std::size_t valueStart = content.find_first_not_of(" \t", content.find('=') + 1);
  if (valueStart == std::string_view::npos) valueStart = content.size();
  text = std::string(content.substr(0, valueStart)) + std::string(value) +
         std::string(LineEndOf(text));
}

void IniFile::InsertLine(std::size_t at, std::string_view text) {
  if (at == lines_.size()) EnsureFinalLineEnd();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), MakeLine(text));
}

void IniFile::EnsureFinalLineEnd() {
  if (lines_.empty()) return;
  std::string& last = lines_.back().text;
  if (last.ends_with('\n')) return;
  last += last.ends_with('\r') ? std::string("\n") : lineEnd_;
}

void IniFile::AppendSection(std::string_view section, std::string_view key,
                            std::string_view value) {
  EnsureFinalLineEnd();
  if (!lines_.empty() && !TrimText(Content(lines_.back().text)).empty()) {
    InsertLine(lines_.size(), lineEnd_);
  }
  InsertLine(lines_.size(), '[' + std::string(section) + ']' + lineEnd_);
  InsertLine(lines_.size(), std::string(key) + '=' + std::string(value) + lineEnd_);
}

template <typename Pred>
void IniFile::EraseLines(Pred remove) {
  std::vector<Line> kept;
  std::optional<std::string> section;
  for (Line& line : lines_) {
    if (line.kind == Kind::kSection) section = line.name;
    if (!remove(line, section)) kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
  Reindex();
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  std::string folded = Fold(TrimText(section));
  std::string foldedKey = Fold(TrimText(key));
  EraseLines([&](const Line& line, const std::optional<std::string>& in) {
    return line.kind == Kind::kKey && in == folded && line.name == foldedKey;
  });
}

void IniFile::DeleteSection(std::string_view section) {
  std::string folded = Fold(TrimText(section));
  EraseLines([&](const Line&, const std::optional<std::string>& in) { return in == folded; });
}

std::string IniFile::Text() const {
  std::string text;
  for (const Line& line : lines_) text += line.text;
  return text;
}
