#include "core/eeprom/hex_value.h"

namespace atalaya {

int64_t HexValue(std::string_view text) {
  uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return -1;
    }
    value = (value << 4) | static_cast<uint64_t>(digit);
  }
  return static_cast<int64_t>(value);
}

}  // namespace atalaya
