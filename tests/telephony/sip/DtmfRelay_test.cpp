#include <gtest/gtest.h>

#include <string>

#include "telephony/sip/LDtmfRelay.h"

TEST(DtmfRelay, ReadsTheFirstSignalAndDurationAndRefusesBodiesWithoutAKey) {
  struct Row { std::string body; char key; uint32_t durationMs = 0; };  // key 0: refused
  const Row rows[] = {
      {"Signal=5\r\nDuration=160\r\n", '5', 160}, {"Signal=#\nDuration=250", '#', 250},
      {"signal = * \r\n duration = 90 \r\n", '*', 90}, {"SIGNAL=\tb\t", 'B'}, {"Signal=5", '5'},
      // Event codes are keys; the hook flash is none.
      {"Signal=10\r\n", '*'}, {"Signal=11\r\n", '#'}, {"Signal=15\r\n", 'D'}, {"Signal=0\r\n", '0'},
      {"Signal=16\r\n", 0},
      // The first of a repeated name counts; lines without '=' are skipped.
      {"Volume=10\r\nno equals here\r\nSignal=1\r\nSignal=2\r\nDuration=100\r\nDuration=7", '1', 100},
      {"Signal=x\r\nSignal=3\r\n", 0},
      // A bad duration is unknown.
      {"Signal=4\r\nDuration=160ms", '4'}, {"Signal=4\r\nDuration=-5", '4'},
      {"Signal=4\r\nDuration=99999999999", '4'}, {"Signal=4\r\nDuration=999999999", '4', 999999999},
      {"", 0}, {"Duration=160\r\n", 0}, {"Signal=\r\n", 0}, {"Signal=55\r\n", 0}, {"Signal=12a\r\n", 0},
      {"Signals=5\r\n", 0}, {std::string("Signal=5\0\r\n", 11), 0},
      {"Signal=5\r\n" + std::string(LDtmfRelay::kMaxBody, ' '), 0}};
  for (const Row& row : rows) {
    LDtmfRelay relay;
    const bool parsed = LDtmfRelay::Parse(row.body, relay);
    EXPECT_EQ(parsed, row.key != 0) << row.body;
    if (parsed) {
      EXPECT_EQ(std::pair(relay.key, relay.durationMs), std::pair(row.key, row.durationMs)) << row.body;
    }
  }
}
