#include "core/Utf8Text.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8Text, KeepsUtf8AndReadsEveryOtherByteAsTheWindowsCodePage) {
  const struct { std::string in, out; } rows[] = {
      {"plain", "plain"},
      {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E", "Café € 📞"},  // 2, 3 and 4 bytes
      {"Caf\xE9 \x80\x99\xFF", "Café €™ÿ"},
      {"\x81\x9D", "\xC2\x81\xC2\x9D"},         // undefined in 1252: the C1 controls
      {"\xC0\xAF", "À¯"},                       // overlong "/"
      {"\xED\xA0\x80", "í\xC2\xA0€"},            // a surrogate
      {"\xF4\x90\x80\x80", "ô\xC2\x90€€"},        // past U+10FFFF
      {"\xC3\xA9\xE9", "éé"},                   // both in one text
      {"ab\xE2\x82", "abâ‚"},                   // cut inside a character
  };
  for (const auto& row : rows) EXPECT_EQ(AsUtf8(row.in), row.out) << row.in;
}

}  // namespace
