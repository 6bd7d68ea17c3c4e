#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Paths and stored texts are limited to 259 characters; longer ones are cut.
inline constexpr std::size_t kMaxText = 259;

// Cuts `text` to at most `max` bytes without splitting a UTF-8 character.
std::string CutText(std::string_view text, std::size_t max = kMaxText);

// Path helpers. Both "/" and "\" count as separators when taking stored paths
// apart; joining inserts "/". Every result is cut to kMaxText.
std::string PathJoin(std::string_view folder, std::string_view name);
// PathJoinExt("OGMs", "Main", ".ini") == "OGMs/Main.ini"
std::string PathJoinExt(std::string_view folder, std::string_view name, std::string_view ext);
// Replaces the extension (the last "." after the last separator) or appends it.
std::string PathReplaceExtension(std::string_view path, std::string_view ext);
std::string PathStripExtension(std::string_view path);
// `path` as it is when absolute, else taken inside `folder` (cut to kMaxText).
std::string PathFrom(std::string_view folder, std::string_view path);
// The folder part without its trailing separator ("" when there is none).
std::string PathFolder(std::string_view path);
// The part after the last separator.
std::string PathFileName(std::string_view path);
// The file name without its extension.
std::string PathTitle(std::string_view path);

// Names and paths that may come from callers or plug-ins: a plain name is
// one non-empty file name without separators or ".."; a path climbs out
// when one of its parts is "..".
bool PathIsPlainName(std::string_view name);
bool PathClimbsOut(std::string_view path);
