#include "core/QueryText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Parse(std::string_view text) {
  Pairs pairs;
  ParseQueryText(text, [&](const std::string& name, const std::string& value) {
    pairs.emplace_back(name, value);
  });
  return pairs;
}

TEST(QueryTextTest, PlusAndEncodedSpaceBothDecodeToOneSpace) {
  EXPECT_EQ(Parse("a=two+words&b=x%20y&c%2b=%4A%4a"),
            (Pairs{{"a", "two words"}, {"b", "x y"}, {"c+", "JJ"}}));
}

TEST(QueryTextTest, EncodedSeparatorsBelongToTheText) {
  EXPECT_EQ(Parse("a%3Db=1%262&c=3"), (Pairs{{"a=b", "1&2"}, {"c", "3"}}));
  EXPECT_EQ(Parse("a=1=2"), (Pairs{{"a", "1=2"}}));
  // Only "=" ends a name, so a bare word runs into the next pair's name.
  EXPECT_EQ(Parse("flag&x=1&y=2"), (Pairs{{"flag&x", "1"}, {"y", "2"}}));
}

TEST(QueryTextTest, EmptyNamesAreDroppedAndLaterPairsKept) {
  EXPECT_EQ(Parse("=lost&a=1&=&b=2&"), (Pairs{{"a", "1"}, {"b", "2"}}));
  EXPECT_TRUE(Parse("").empty());
  EXPECT_EQ(Parse("name"), (Pairs{{"name", ""}}));
}

TEST(QueryTextTest, IncompleteEscapesStayAsWritten) {
  EXPECT_EQ(Parse("a=100%&b=%4&c=%zz%4"), (Pairs{{"a", "100%"}, {"b", "%4"}, {"c", "%zz%4"}}));
  EXPECT_EQ(Parse(std::string_view("a=%00b", 6)), (Pairs{{"a", std::string("\0b", 2)}}));
}

}  // namespace
