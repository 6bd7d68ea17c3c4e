#include "plugins/SplitCommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLineTest, BlanksSeparateQuotesGroupAndShellSyntaxStaysText) {
  EXPECT_EQ(SplitCommandLine("  prog\ta   b "), (Args{"prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("\"/opt/my tools/prog\" \"two words\" x\"y z\""),
            (Args{"/opt/my tools/prog", "two words", "xy z"}));
  EXPECT_EQ(SplitCommandLine("prog \"\" end"), (Args{"prog", "", "end"}));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
  // An escaped quote is literal; other backslashes are kept.
  EXPECT_EQ(SplitCommandLine(R"(prog \"a b\" c:\dir\)"), (Args{"prog", "\"a", "b\"", "c:\\dir\\"}));
  EXPECT_EQ(SplitCommandLine(R"(prog "say \"hi\"")"), (Args{"prog", "say \"hi\""}));
  // An unclosed quote runs to the end of the line.
  EXPECT_EQ(SplitCommandLine("prog \"open end"), (Args{"prog", "open end"}));
  // Shell syntax from a caller stays text.
  EXPECT_EQ(SplitCommandLine("lookup 123;rm$(id)`x`|y>z"), (Args{"lookup", "123;rm$(id)`x`|y>z"}));
}

}  // namespace
