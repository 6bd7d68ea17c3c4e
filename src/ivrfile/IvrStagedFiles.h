#pragma once

#include <string>
#include <utility>
#include <vector>

// The files a load writes, first under hidden temporary names beside their
// destinations and put in place together once every one is written: a load
// that cannot write them all (a full disk) leaves the program as it was.
// On the same file system the final renames need no space.
class IvrStagedFiles {
 public:
  IvrStagedFiles() = default;
  IvrStagedFiles(const IvrStagedFiles &) = delete;
  IvrStagedFiles &operator=(const IvrStagedFiles &) = delete;
  // Removes the files not put in place.
  ~IvrStagedFiles();

  // A new empty file beside `destination`; "" with errno set on failure.
  // Only WAVE audio keeps its ".wav" ending, so no scan of a folder (for
  // mailboxes, OGMs) takes a staged file for one of its own.
  std::string Create(const std::string &destination);
  // Renames each file over its destination, in the order created; returns
  // how many destinations could not be replaced (each is traced).
  int PutInPlace();

 private:
  std::vector<std::pair<std::string, std::string>> files_;  // staged, destination
};
