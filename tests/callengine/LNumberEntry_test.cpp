#include "callengine/LNumberEntry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace {

using Entry = LNumberEntry::Entry;

class NumberEntry : public ::testing::Test {
 protected:
  void Node(const std::string& ivr) { std::ofstream(ogm_) << "[ivr]\ntype=enternumber\n" << ivr; }
  // Keys in a fresh entry; the result of the last one.
  LNumberEntry::Result Keys(const std::string& keys) {
    entry_.Clear();
    LNumberEntry::Result result;
    for (char key : keys) result = entry_.Press(key, ogm_, parms_, call_);
    return result;
  }

  TempDir dir_;
  std::string ogm_ = dir_ / "Entry.ini";
  LNumberEntry entry_{dir_.Path()};
  LHashTable parms_;
  LCallIdentity call_{"5551234", "", "", 0};
};

TEST_F(NumberEntry, AtMost31DigitsAreHeldAndLimitsAndListsDecide) {
  Node("maxdigits=40\n");
  EXPECT_EQ(Keys(std::string(40, '7') + "#").digits, std::string(31, '7'));
  // Limits and lists decide.
  std::ofstream(dir_ / "Lists-5551234.txt") << "1111,2222";
  std::string big(32762, ' ');
  std::ofstream(dir_ / "big.txt") << big + ",1234,5678";  // cut to "...,123"
  const std::string limit = "varlimit=true\nvarlimitmin=100\nvarlimitmax=999\n";
  const std::string list = "varlimitlistenabled=true\nvarlimitlist=1234, \"5678\"\n";
  const std::string exclude = list + "varlimitlistexclude=true\n";
  const std::string file = "varlimitlistenabled=true\nvarlimitlistisfile=true\nvarlimitlistfile=";
  for (const auto& [node, keys, entry] : std::vector<std::tuple<std::string, const char*, Entry>>{
           {"", "123", Entry::kIncomplete}, {"", "1234", Entry::kAccepted},  // 4 digits by default
           {limit, "0999", Entry::kAccepted}, {limit, "1000", Entry::kInvalid},
           {limit, "99#", Entry::kInvalid}, {limit, "100#", Entry::kAccepted},
           {list, "5678", Entry::kAccepted}, {list, "4321", Entry::kInvalid},
           {exclude, "5678", Entry::kInvalid}, {exclude, "4321", Entry::kAccepted},
           {file + "lists-%cid%.txt\n", "2222", Entry::kAccepted},  // in the data root
           {file + "lists-%cid%.txt\n", "3333", Entry::kInvalid},
           {file + dir_.Path() + "/Lists-5551234.txt\n", "3333", Entry::kInvalid},
           {file + "none.txt\n", "3333", Entry::kAccepted},  // unreadable: all accepted
           {file + "../x.txt\n", "3333", Entry::kAccepted},
           {file + "big.txt\n", "1234", Entry::kInvalid},
           {file + "big.txt\n", "5678", Entry::kInvalid},
           {file + "big.txt\n", "123#", Entry::kAccepted},
       }) {
    Node(node);
    const LNumberEntry::Result result = Keys(keys);
    EXPECT_EQ(result.entry, entry) << node << keys;
    const bool refused = node.find("=../") != std::string::npos;
    EXPECT_EQ(result.refusedListFile, refused ? "../x.txt" : "") << node << keys;
  }
}

}  // namespace
