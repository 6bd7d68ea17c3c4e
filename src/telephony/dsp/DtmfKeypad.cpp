#include "telephony/dsp/DtmfKeypad.h"

#include <cstring>

namespace {

// The keypad row by row, left to right.
constexpr char kKeys[] = "123A456B789C*0#D";
// The keys in event-code order.
constexpr char kEvents[] = "0123456789*#ABCD";

char Upper(char key) { return key >= 'a' && key <= 'd' ? static_cast<char>(key - 'a' + 'A') : key; }

}  // namespace

char DtmfKeyAt(int row, int column) { return kKeys[row * 4 + column]; }

bool DtmfPosition(char key, int& row, int& column) {
  const char* at = key ? std::strchr(kKeys, Upper(key)) : nullptr;
  if (!at) return false;
  row = static_cast<int>(at - kKeys) / 4;
  column = static_cast<int>(at - kKeys) % 4;
  return true;
}

int DtmfEventCode(char key) {
  const char* at = key ? std::strchr(kEvents, Upper(key)) : nullptr;
  return at ? static_cast<int>(at - kEvents) : -1;
}

char DtmfKeyOfEvent(uint32_t code) { return code < 16 ? kEvents[code] : 0; }
