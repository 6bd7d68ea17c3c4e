#pragma once

#include <optional>
#include <string>
#include <vector>

// What `zavotel simulate` was asked to do. Without any script option, and
// on a terminal, the call is interactive.
struct SimulateOptions {
  struct Key {
    char key;
    int ms;  // after connection
  };
  std::vector<Key> keys;
  std::string callerAudio;  // the caller's voice; silence when empty
  std::string hear;         // everything the caller hears goes here
  std::optional<int> hangUpAfterMs;

  bool Scripted() const {
    return !keys.empty() || !callerAudio.empty() || !hear.empty() || hangUpAfterMs.has_value();
  }

  // Nullopt with `error` set when an option cannot be understood.
  static std::optional<SimulateOptions> Parse(const std::vector<std::string> &arguments,
                                              std::string &error);
  // "1@2.5,#@4" -> keys in time order.
  static bool ParseKeys(const std::string &list, std::vector<Key> &keys, std::string &error);
};
