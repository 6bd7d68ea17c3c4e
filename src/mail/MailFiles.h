#pragma once

#include <string>

// File operations of the mailbox store. Names in the mailbox folder compare
// without regard to case, and a file of the store is never replaced by
// another one: a move that would land on an existing name does not happen.

// Whether a file of that name exists, matching the name without case.
bool ExistsIgnoringCase(const std::string& path);

// Deletes the file at `path` or, failing an exact match, the file whose name
// matches it without case. A missing file is no error; other failures leave
// a trace line.
void RemoveIgnoringCase(const std::string& path);

enum class MoveResult { kMoved, kTargetExists, kFailed };
// Renames `from` to `to` unless `to` exists, atomically where the file
// system can (otherwise through a hard link).
MoveResult MoveNoReplace(const std::string& from, const std::string& to);

// Copies `from` to a new file `to`, which appears complete or not at all;
// kTargetExists when `to` exists already.
MoveResult CopyNoReplace(const std::string& from, const std::string& to);
