#pragma once

#include <string>
#include <string_view>
#include <vector>

// The files of one data folder as the IVR program jobs see them: names
// compared without case, names beginning with "." left alone.

// The titles (names without extension) of the files named "*<extension>",
// sorted. An empty extension takes every file.
std::vector<std::string> FolderTitles(const std::string& folder, std::string_view extension);

// Deletes every file named "*<extension>" whose title is not in `keep`. A
// list without any title keeps everything. Returns how many were deleted.
int DeleteFilesNotKept(const std::string& folder, std::string_view extension,
                       const std::vector<std::string>& keep);

// Deletes every file of the folder; returns how many.
int DeleteAllFiles(const std::string& folder);

// The paths of the files named "<prefix>*" (prefix without case) in
// directory order.
std::vector<std::string> FolderFilesStartingWith(const std::string& folder,
                                                 std::string_view prefix);

// The program files a save may carry from the data folder: its regular files
// with an execute permission (the stand-in for "*.exe"), sorted by name.
std::vector<std::string> ProgramFileNames(const std::string& folder);
