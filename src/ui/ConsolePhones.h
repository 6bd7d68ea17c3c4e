#pragma once

#include <memory>
#include <optional>
#include <string>

class LWaveNetworkLink;

// The browser phones the console reaches: each is one simulated call, owned
// by the console session that connected it and freed when the call ends.
// Connect, HangUp and PressKey run on the engine's main loop; Find on any
// thread.
class ConsolePhones {
 public:
  struct Phone {
    std::shared_ptr<LWaveNetworkLink> link;
    // The per-call log the call's controller writes.
    std::string callFile;
  };

  virtual ~ConsolePhones() = default;
  // A new phone for `session` with its call connected: its id, or 0 with
  // `error` saying why not.
  virtual int Connect(const std::string& session, std::string& error) = 0;
  // Both false when `session` has no phone `id` that is connected.
  virtual bool HangUp(int id, const std::string& session) = 0;
  virtual bool PressKey(int id, const std::string& session, char key) = 0;
  // Session `session`'s phone `id`, while its call lasts.
  virtual std::optional<Phone> Find(int id, const std::string& session) const = 0;
};
