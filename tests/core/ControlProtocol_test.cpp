#include "core/ControlProtocol.h"

#include <gtest/gtest.h>

#include "core/MainMessages.h"

namespace {

using control::ParseRequest;

TEST(ControlProtocol, RequestsAreOneLineOfAKnownMessageACommandAndAShortText) {
  const std::string longest(259, 'x');
  struct Row { std::string line; uint32_t id; int64_t wParam; std::string text; };
  for (const Row& row : std::initializer_list<Row>{
           {"32767 0\n", WM_CONTROLCOMMAND, 0, ""},
           {"32767 3 Sales Menu\r\n", WM_CONTROLCOMMAND, 3, "Sales Menu"},
           {"32767 9\n", WM_CONTROLCOMMAND, 9, ""},
           {"1045 0 /srv/shop \xc3\xa9.ivr\n", WM_LOADIVRFILE, 0, "/srv/shop \xc3\xa9.ivr"},
           {"1044 0\n", WM_LSHUTDOWN, 0, ""},
           {"32767 4 " + longest + "\n", WM_CONTROLCOMMAND, 4, longest},
       }) {
    const control::ParsedRequest parsed = ParseRequest(row.line);
    ASSERT_TRUE(parsed.message) << row.line << ": " << parsed.error;
    EXPECT_TRUE(parsed.message->id == row.id && parsed.message->wParam == row.wParam &&
                parsed.message->text == row.text)
        << row.line;
  }
  // Refused: other messages, odd numbers, no line end, extra lines, a
  // trailing blank, long or control-character texts.
  for (const std::string& line : std::initializer_list<std::string>{"1027 0 /tmp/a.wav\n", "32767\n", "32767 -1\n", "32767 +1\n", "032767 1\n",
                                  "32767 99999999999\n", "32767 1", "32767 1\n32767 2\n", "32767 3 \n", "32767 3 a\tb\n",
                                  "32767 4 " + longest + "y\n", std::string()}) {
    const control::ParsedRequest parsed = ParseRequest(line);
    EXPECT_TRUE(!parsed.message && !parsed.error.empty()) << line;
  }
}

TEST(ControlProtocol, RepliesCarryAResultOrAnError) {
  for (auto [line, ok, result, text] : {std::tuple<std::string, bool, int64_t, std::string>{"1\n", true, 1, ""},
                                        {"0 Zavotel is running\n", true, 0, "Zavotel is running"},
                                        {"error unknown message\n", false, 0, "unknown message"},
                                        {"error\n", false, 0, ""}}) {
    const std::optional<control::Reply> reply = control::ParseReply(line);
    ASSERT_TRUE(reply) << line;
    EXPECT_TRUE(reply->ok == ok && reply->result == result && reply->text == text) << line;
    EXPECT_EQ(control::FormatReply(*reply), line);
  }
  for (const char* bad : {"", "1", "x\n", "errors\n", "1\n2\n"}) EXPECT_FALSE(control::ParseReply(bad)) << bad;
}

}  // namespace
