#include "callengine/LOGMFiles.h"

#include <cstdio>
#include <vector>

#include "callengine/LOGMResolver.h"
#include "callengine/ParameterText.h"
#include "core/CaseInsensitivePath.h"
#include "core/FileIo.h"
#include "core/Path.h"
#include "core/Trace.h"

namespace {

struct Move {
  std::string from;
  std::string to;
};

void Undo(const std::vector<Move>& done) {
  for (auto it = done.rbegin(); it != done.rend(); ++it) {
    if (std::rename(it->to.c_str(), it->from.c_str()) != 0) {
      Trace("LOGMFiles could not move \"%s\" back", it->to.c_str());
    }
  }
}

}  // namespace

std::optional<std::string> LOGMFiles::FilePath(std::string_view name,
                                               std::string_view ext) const {
  // A name too long for a path would be cut to some other file's name.
  if (!PathIsPlainName(name) || folder_.size() + 1 + name.size() + ext.size() > kMaxText) {
    Trace("LOGMFiles refused OGM name \"%.64s\"", std::string(name).c_str());
    return std::nullopt;
  }
  return ResolveCaseInsensitive(PathJoinExt(folder_, name, ext));
}

std::optional<std::string> LOGMFiles::IniPath(std::string_view name) const {
  return FilePath(name, ".ini");
}

std::optional<std::string> LOGMFiles::ExistingIniPath(std::string_view name) const {
  std::optional<std::string> path = IniPath(name);
  if (!path || !IsRegularFile(*path)) return std::nullopt;
  return path;
}

bool LOGMFiles::Rename(std::string_view from, std::string_view to) const {
  if (!Exists(from) || !IniPath(to)) return false;
  // Only a change of letter case may keep the name of an existing OGM.
  if (Exists(to) && !EqualIgnoringCase(from, to)) return false;
  std::string target = PathJoinExt(folder_, to, ".ini");
  if (IsRegularFile(target) && target != *IniPath(from)) return false;
  std::vector<Move> done;
  // The definition moves last, so a failure never leaves an OGM without its
  // audio and text under either name.
  for (auto ext = kExtensions.rbegin(); ext != kExtensions.rend(); ++ext) {
    std::string source = *FilePath(from, *ext);
    if (!IsRegularFile(source)) continue;
    std::string moved = PathJoinExt(folder_, to, *ext);
    if (std::rename(source.c_str(), moved.c_str()) != 0) {
      Trace("LOGMFiles could not rename \"%s\" to \"%s\"", source.c_str(), moved.c_str());
      Undo(done);
      return false;
    }
    done.push_back({source, moved});
  }
  return true;
}

bool LOGMFiles::Remove(std::string_view name) const {
  if (!Exists(name)) return false;
  std::string ini = *IniPath(name);
  if (std::remove(ini.c_str()) != 0) {
    Trace("LOGMFiles could not delete \"%s\"", ini.c_str());
    return false;
  }
  for (std::string_view ext : kExtensions) {
    std::string path = *FilePath(name, ext);
    if (IsRegularFile(path) && std::remove(path.c_str()) != 0) {
      Trace("LOGMFiles could not delete \"%s\"", path.c_str());
    }
  }
  return true;
}
