#pragma once

#include <cstdint>
#include <string_view>

namespace atalaya {

// Hexadecimal text as a number. Only "0"-"9" and upper-case "A"-"F" are digits: any other
// character, lower-case letters included, gives −1. The empty text gives 0. Digits beyond the
// sixteenth shift the older ones out, as a 64-bit register would.
int64_t HexValue(std::string_view text);

}  // namespace atalaya
