#include "callengine/OGMListOrder.h"

#include <array>
#include <cstddef>

#include "callengine/LOGMDefinition.h"
#include "callengine/LOGMFiles.h"
#include "core/Profile.h"
#include "core/TextCompare.h"
#include "ivrfile/IvrFolderFiles.h"

namespace ogm_list_order {
namespace {

constexpr std::string_view kKey = "logicalorder";
// The keys whose "go" leads on, in the order their targets are numbered.
constexpr std::array<std::string_view, 13> kLeads = {
    "press1", "press2", "press3", "press4", "press5", "press6", "press7",
    "press8", "press9", "press0", "press#", "press*", "playcomplete",
};

struct Node {
  std::string name;
  std::string ini;
  int order = kUnnumbered;
};

// The node named `name` (any case); nodes.size() when there is none.
std::size_t Find(const std::vector<Node>& nodes, std::string_view name) {
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (EqualIgnoringCase(nodes[i].name, name)) return i;
  return nodes.size();
}

// False when the number read back is not the one written.
bool Store(Node& node, int order) {
  node.order = order;
  ProfileWriteInt(node.ini, "ivr", kKey, order);
  return ProfileReadInt(node.ini, "ivr", kKey, kUnnumbered - 1) == order;
}

// The node with the smallest number from `level` on; the first of equals
// wins.
std::size_t Next(const std::vector<Node>& nodes, int level) {
  std::size_t best = nodes.size();
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].order >= level && (best == nodes.size() || nodes[i].order < nodes[best].order)) best = i;
  return best;
}

void NumberTargets(std::vector<Node>& nodes, const Node& from, int& counter) {
  const LOGMDefinition definition(from.ini);
  for (std::string_view key : kLeads) {
    if (definition.Action(key) != OGMAction::kGo) continue;
    const std::string target = ProfileReadString(from.ini, "ivr", std::string(key) + "go", "");
    const std::size_t found = Find(nodes, target);
    if (found == nodes.size() || nodes[found].order != kUnnumbered) continue;
    nodes[found].order = ++counter;
    ProfileWriteInt(nodes[found].ini, "ivr", kKey, counter);
  }
}

}  // namespace

std::vector<std::string> Alphabetical(const std::string& folder) { return FolderTitles(folder, ".ini"); }

std::optional<std::vector<std::string>> Logical(const std::string& folder, std::string_view answering) {
  const LOGMFiles files(folder);
  std::vector<Node> nodes;
  for (std::string& name : Alphabetical(folder)) {
    std::string ini = files.IniPath(name).value_or("");
    if (!ini.empty()) nodes.push_back({std::move(name), std::move(ini)});
  }
  for (Node& node : nodes) ProfileWriteInt(node.ini, "ivr", kKey, kUnnumbered);
  // Only an existing answering OGM is numbered: a write would create it.
  if (const std::size_t first = Find(nodes, answering); first != nodes.size()) Store(nodes[first], 0);
  std::vector<std::string> listed;
  int counter = 0;
  for (int level = 0;; ++level) {
    const std::size_t next = Next(nodes, level);
    if (next == nodes.size()) break;
    if (!Store(nodes[next], level)) return std::nullopt;
    // An OGM nothing reached is listed past every number given, so the ones
    // it reaches are numbered after it rather than behind the list's end.
    if (counter < level) counter = level;
    NumberTargets(nodes, nodes[next], counter);
    listed.push_back(nodes[next].name);
  }
  return listed;
}

}  // namespace ogm_list_order
