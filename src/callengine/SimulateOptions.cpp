#include "callengine/SimulateOptions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A day is far beyond any call.
constexpr double kMaxSeconds = 86400;

bool ParseSeconds(const std::string &text, int &ms) {
  if (text.empty()) return false;
  char *end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > kMaxSeconds) {
    return false;
  }
  ms = static_cast<int>(std::lround(seconds * 1000));
  return true;
}

bool IsKey(char c) { return c != '\0' && std::strchr("0123456789*#ABCD", c) != nullptr; }

}  // namespace

bool SimulateOptions::ParseKeys(const std::string &list, std::vector<Key> &keys,
                                std::string &error) {
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    const std::string item = list.substr(start, end - start);
    Key key{};
    if (item.size() < 3 || !IsKey(item[0]) || item[1] != '@' ||
        !ParseSeconds(item.substr(2), key.ms)) {
      error = "--keys wants KEY@SECONDS items separated by commas (KEY one of 0-9 * # A-D), "
              "not \"" + item + "\"";
      return false;
    }
    key.key = item[0];
    keys.push_back(key);
    start = end + 1;
  }
  std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return a.ms < b.ms; });
  return true;
}

std::optional<SimulateOptions> SimulateOptions::Parse(const std::vector<std::string> &arguments,
                                                      std::string &error) {
  SimulateOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string &name = arguments[i];
    if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
      error = name.rfind("--", 0) == 0 ? name + " needs a value" : "unexpected " + name;
      return std::nullopt;
    }
    const std::string &value = arguments[++i];
    int ms = 0;
    if (name == "--keys") {
      if (!ParseKeys(value, options.keys, error)) return std::nullopt;
    } else if (name == "--caller-audio") {
      options.callerAudio = value;
    } else if (name == "--hear") {
      options.hear = value;
    } else if (name == "--hangup-after" && ParseSeconds(value, ms)) {
      options.hangUpAfterMs = ms;
    } else if (name == "--hangup-after") {
      error = "--hangup-after wants seconds, not \"" + value + "\"";
      return std::nullopt;
    } else {
      error = "unknown option " + name;
      return std::nullopt;
    }
  }
  return options;
}
