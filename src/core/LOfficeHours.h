#pragma once

#include <optional>
#include <string>

#include "core/LClock.h"

// What the office-hours settings ([autohours] in the settings file) make of
// a ring: during the open hours of today and outside them, a mode of 0 (no
// change), 1 (answer with another OGM), 2 (do not answer) or 3 (answer only
// after extra rings).
class LOfficeHours {
 public:
  struct Ring {
    int ring = 0;
    int ringsNeeded = 0;
    bool answeringEnabled = true;  // [state] "on"
  };
  struct Decision {
    bool answeringEnabled = true;
    std::optional<std::string> ogm;  // set when the OGM to answer with changes
  };
  // The rule of the open hours or of the time outside them.
  struct Rule {
    bool open = false;
    int mode = 0;
    std::string ogm;     // the OGM mode 1 answers with
    int extraRings = 0;  // the rings mode 3 adds
  };

  // Without [autohours] "enabled" the ring's flag passes through unchanged.
  static Decision Decide(const std::string& settingsFile, const LClock& clock, const Ring& ring);
  // The rule that applies at `now`; nothing without [autohours] "enabled".
  static std::optional<Rule> InEffect(const std::string& settingsFile, std::time_t now);
  // Whether the office is open at `now` (local time).
  static bool Open(const std::string& settingsFile, std::time_t now);
};
