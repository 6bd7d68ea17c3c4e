#include "core/Path.h"

#include <algorithm>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Position of the last separator, or npos.
std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

// Position of the extension's "." in the last path element, or npos.
std::size_t ExtensionDot(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return dot;
  std::size_t separator = LastSeparator(path);
  if (separator != std::string_view::npos && separator > dot) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string CutText(std::string_view text, std::size_t max) {
  if (text.size() <= max) return std::string(text);
  std::size_t cut = max;
  // A UTF-8 character has at most three continuation bytes; beyond that the
  // text is not UTF-8 and is cut where it is.
  for (int back = 0; back < 3 && cut > 0 && IsUtf8Continuation(text[cut]); ++back) --cut;
  if (cut > 0 && IsUtf8Continuation(text[cut])) cut = max;
  return std::string(text.substr(0, cut));
}

std::string PathFrom(std::string_view folder, std::string_view path) {
  if (!path.empty() && path.front() == '/') return std::string(path);
  return PathJoin(folder, path);
}

std::string PathJoin(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && !IsSeparator(joined.back())) joined += '/';
  joined += name;
  return CutText(joined);
}

std::string PathJoinExt(std::string_view folder, std::string_view name, std::string_view ext) {
  std::string file(name);
  file += ext;
  return PathJoin(folder, file);
}

std::string PathReplaceExtension(std::string_view path, std::string_view ext) {
  std::string replaced(path.substr(0, ExtensionDot(path)));
  replaced += ext;
  return CutText(replaced);
}

std::string PathStripExtension(std::string_view path) {
  return CutText(path.substr(0, ExtensionDot(path)));
}

std::string PathFolder(std::string_view path) {
  std::size_t separator = LastSeparator(path);
  if (separator == std::string_view::npos) return "";
  // The root folder keeps its separator, so joining to it stays absolute.
  if (separator == 0) return CutText(path.substr(0, 1));
  return CutText(path.substr(0, separator));
}

std::string PathFileName(std::string_view path) {
  std::size_t separator = LastSeparator(path);
  if (separator == std::string_view::npos) return CutText(path);
  return CutText(path.substr(separator + 1));
}

std::string PathTitle(std::string_view path) { return PathStripExtension(PathFileName(path)); }

bool PathIsPlainName(std::string_view name) {
  return !name.empty() && name.find_first_of("/\\") == std::string_view::npos &&
         name.find("..") == std::string_view::npos;
}

bool PathClimbsOut(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
    if (path.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}
