#pragma once

#include <array>
#include <cstdint>

// The sixteen DTMF keys: a row (low group) and a column (high group)
// frequency each, and the event codes by which RTP telephone events and SIP
// INFO bodies name them (0-9, 10 '*', 11 '#', 12-15 A-D).
inline constexpr std::array<double, 4> kDtmfRowHz = {697, 770, 852, 941};
inline constexpr std::array<double, 4> kDtmfColumnHz = {1209, 1336, 1477, 1633};

// The key at a row and column (both 0..3).
char DtmfKeyAt(int row, int column);
// Row and column of a key ('a'-'d' count as 'A'-'D'); false for any other character.
bool DtmfPosition(char key, int& row, int& column);
// Event code of a key, or -1.
int DtmfEventCode(char key);
// Key of an event code 0..15, or 0 for every other code (16 is the hook
// flash, which is not a key).
char DtmfKeyOfEvent(uint32_t code);
