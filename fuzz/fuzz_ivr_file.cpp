// Loads arbitrary bytes as an IVR program file into a scratch data folder:
// lying sizes, hostile names and broken records must never crash, hang,
// allocate what a size merely claims, leave temporary files behind or write
// anything beside the data folder.
#include <dirent.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/LProgressSilent.h"
#include "core/DataFolders.h"
#include "core/FileIo.h"
#include "core/UniqueFd.h"
#include "ivrfile/LIVRLoad.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The entries of `folder` other than "." and "..".
int Entries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  Require(dir != nullptr);
  int count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") ++count;
  }
  ::closedir(dir);
  return count;
}

struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/fuzz_ivr_XXXXXX";
    Require(::mkdtemp(pattern) != nullptr);
    base = pattern;
    temp = base + "/tmp";
    Require(::mkdir(temp.c_str(), 0700) == 0);
    ::setenv("TMPDIR", temp.c_str(), 1);
    folders = DataFolders::Resolve(base + "/data");
    Require(folders.CreateMissing());
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
  }
  std::string base;
  std::string temp;
  DataFolders folders;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static Scratch scratch;
  UniqueFd file(::memfd_create("fuzz_ivr_file", MFD_CLOEXEC));
  Require(file.Valid());
  Require(WriteFully(file.Get(), std::string_view(reinterpret_cast<const char*>(data), size)));
  LProgressSilent progress;
  LIVRLoad load(scratch.folders, "/proc/self/fd/" + std::to_string(file.Get()), false);
  const ProcessResult result = load.Process(progress);
  Require(result == kProcessDone || result == kProcessFailed);
  Require(result == kProcessDone || !load.Report().Messages().empty());
  // Only the data folder and the (empty) temporary folder beside it.
  Require(Entries(scratch.base) == 2);
  Require(Entries(scratch.temp) == 0);
  return 0;
}
