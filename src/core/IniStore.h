#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/IniFile.h"

// INI files shared by threads and processes.
//
// Writes are atomic and serialised: under the file's lock (FileLock) the
// current file is read afresh, edited, written to a temporary file in the same
// folder (".<name>.tmp", mode and owner of the old file, 0600 for a new one)
// and renamed over the old file. A reader therefore sees the old or the new
// file, never part of one. A writer killed before its rename leaves its
// temporary file behind; the next write of the same file removes it (only the
// lock holder uses that name); one killed while creating a missing file can
// leave it empty, which reads like a missing file. A failed write leaves the
// old file as it was, writes a trace line and returns false.
//
// Reads reuse the parsed copy held in one process-wide cache (IniCache) while
// the file at the path is unchanged; a change by another process is seen by
// the next read. A missing or unreadable file reads as empty.

// The value of `key`, nullopt when the file, section or key is missing.
std::optional<std::string> IniRead(const std::string& path, std::string_view section,
                                   std::string_view key);
// Sets `key` to `value`; a null value deletes the key and a null key deletes
// the whole section.
bool IniWrite(const std::string& path, std::string_view section,
              std::optional<std::string_view> key, std::optional<std::string_view> value);
// Applies `edit` to the current contents and replaces the file, all under the
// lock. Nothing is written when `edit` returns false (the result is false) or
// changes nothing (the result is true).
bool IniUpdate(const std::string& path, const std::function<bool(IniFile&)>& edit);
// As IniUpdate, but a missing file stays missing (false): for files that
// another thread may move or delete meanwhile, such as message records.
bool IniUpdateExisting(const std::string& path, const std::function<bool(IniFile&)>& edit);
// Forgets the cached copy, so the next read parses the file again.
void IniFlush(const std::string& path);
