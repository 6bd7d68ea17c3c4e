#include "core/QueryText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Parse(std::string_view text) {
  Pairs pairs;
  ParseQueryText(text, [&](const std::string& name, const std::string& value) { pairs.emplace_back(name, value); });
  return pairs;
}

// Plus and %20 both decode to a space; encoded separators belong to the
// text; only "=" ends a name; empty names are dropped; incomplete escapes
// stay as written.
TEST(QueryTextTest, DecodesPairsAsWritten) {
  const std::pair<std::string_view, Pairs> rows[] = {
      {"a=two+words&b=x%20y&c%2b=%4A%4a", {{"a", "two words"}, {"b", "x y"}, {"c+", "JJ"}}},
      {"a%3Db=1%262&c=3", {{"a=b", "1&2"}, {"c", "3"}}},
      {"a=1=2", {{"a", "1=2"}}},
      {"flag&x=1&y=2", {{"flag&x", "1"}, {"y", "2"}}},
      {"=lost&a=1&=&b=2&", {{"a", "1"}, {"b", "2"}}},
      {"", {}},
      {"name", {{"name", ""}}},
      {"a=100%&b=%4&c=%zz%4", {{"a", "100%"}, {"b", "%4"}, {"c", "%zz%4"}}},
      {std::string_view("a=%00b", 6), {{"a", std::string("\0b", 2)}}},
  };
  for (const auto& [text, pairs] : rows) EXPECT_EQ(Parse(text), pairs) << text;
}

}  // namespace
