#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "callengine/LCallIdentity.h"
#include "callengine/LHashTable.h"
#include "callengine/LOGMFiles.h"
#include "core/LClock.h"

// Resolves an OGM name through the date-time and number checks of its
// definition, following their redirects ("failogm", [cid] "ogm") for at most
// 33 files, so a redirect loop ends in failure.
//
// Names come from stored, expanded texts: a name holding "/", "\" or "..",
// or an empty one, is refused so no lookup leaves the OGM folder.
class LOGMResolver {
 public:
  // All references must outlive the resolver; the parameters and the call
  // are read at each resolution.
  LOGMResolver(std::string ogmFolder, const LClock& clock, const LCallIdentity& call,
               const LHashTable& parms)
      : files_(std::move(ogmFolder)), clock_(clock), call_(call), parms_(parms) {}

  // The path of the OGM definition the name resolves to, nullopt when a file
  // in the chain is missing, a check refuses it or the redirects run out.
  std::optional<std::string> Resolve(std::string_view name) const;

  // Hears, in words, each redirect a check takes and why a resolution
  // fails (a check refuses, a file a check leads to is missing).
  void SetNarrator(std::function<void(const std::string&)> narrator) { narrator_ = std::move(narrator); }

  // Resolves `name`; on success flushes the cached copy of the previous
  // `currentOgm` file and makes the resolved path current. On failure
  // `currentOgm` is left as it was.
  bool IsOGMValid(std::string_view name, std::string& currentOgm) const;

 private:
  enum class Check { kValid, kRefused, kRedirect };
  // The outcome of both checks of one file; `why` names the one that acted.
  Check Checks(const std::string& path, std::string& redirect, const char*& why) const;
  void Tell(const std::string& text) const;
  Check DateTime(const std::string& path, std::string& redirect) const;
  Check Number(const std::string& path, std::string& redirect) const;
  std::string Expanded(const std::string& path, std::string_view section,
                       std::string_view key) const;

  LOGMFiles files_;
  const LClock& clock_;
  const LCallIdentity& call_;
  const LHashTable& parms_;
  std::function<void(const std::string&)> narrator_;
};
