#include "callengine/ParameterText.h"

#include <algorithm>

#include "core/Path.h"

namespace {

std::string BuiltIn(std::string_view name, const LCallIdentity& call) {
  if (EqualIgnoringCase(name, "cid")) return call.callerNumber;
  if (EqualIgnoringCase(name, "callername")) return call.callerName;
  if (EqualIgnoringCase(name, "did")) return call.did;
  if (EqualIgnoringCase(name, "drn")) return std::to_string(call.drn);
  return {};
}

std::string ParameterValue(std::string_view name, const LHashTable& parms,
                           const LCallIdentity& call) {
  std::string cut = CutText(name, kMaxText);
  std::string value = parms.GetParm(cut);
  return value.empty() ? BuiltIn(cut, call) : value;
}

std::string PathValue(std::string value) {
  std::erase_if(value, [](char c) { return c == '/' || c == '\\'; });
  if (value.find_first_not_of('.') == std::string::npos) value.clear();
  return value;
}

bool Expand(std::string_view text, std::string& output, std::size_t size, const LHashTable& parms,
            const LCallIdentity& call, bool path) {
  output.clear();
  if (size == 0) return text.find('%') != std::string_view::npos;
  const std::size_t limit = size - 1;
  bool anyPercent = false;
  std::size_t at = 0;
  // Stops building once past the limit (a value may be huge), keeping a few
  // bytes more so the final cut can respect UTF-8 characters.
  while (at < text.size() && output.size() <= limit + 4) {
    std::size_t percent = text.find('%', at);
    output.append(text.substr(at, percent - at));
    if (percent == std::string_view::npos) break;
    anyPercent = true;
    std::size_t close = text.find('%', percent + 1);
    std::string_view name = text.substr(percent + 1, close - percent - 1);
    std::string value = ParameterValue(name, parms, call);
    output += path ? PathValue(std::move(value)) : value;
    at = close == std::string_view::npos ? text.size() : close + 1;
  }
  anyPercent = anyPercent || text.find('%', at) != std::string_view::npos;
  output = CutText(output, limit);
  return anyPercent;
}

bool ExpandInPlace(std::string& text, const LHashTable& parms, const LCallIdentity& call, bool path) {
  std::string expanded;
  if (!Expand(text, expanded, kExpandSize, parms, call, path)) return false;
  text = std::move(expanded);
  return true;
}

std::string_view TrimItem(std::string_view item) {
  while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
  if (!item.empty() && item.front() == '"') item.remove_prefix(1);
  while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
  if (!item.empty() && item.back() == '"') item.remove_suffix(1);
  return item;
}

}  // namespace

bool ExpandParameters(std::string_view text, std::string& output, std::size_t size,
                      const LHashTable& parms, const LCallIdentity& call) {
  return Expand(text, output, size, parms, call, false);
}

bool ExpandParameters(std::string& text, const LHashTable& parms, const LCallIdentity& call) {
  return ExpandInPlace(text, parms, call, false);
}

bool ExpandPathParameters(std::string& text, const LHashTable& parms, const LCallIdentity& call) {
  return ExpandInPlace(text, parms, call, true);
}

std::string StripPercent(std::string_view name) {
  std::string stripped(name);
  std::erase(stripped, '%');
  return stripped;
}

bool ListContains(std::string_view list, std::string_view value) {
  std::size_t at = 0;
  while (true) {
    std::size_t comma = list.find(',', at);
    if (TrimItem(list.substr(at, comma - at)) == value) return true;
    if (comma == std::string_view::npos) return false;
    at = comma + 1;
  }
}
