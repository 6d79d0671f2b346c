#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace atalaya {

// The command checksum: exclusive-or of every character after the leading "%", complemented.
// Only the low 8 bits of the text's length count its characters, as the decoder does, so a
// command is at most 255 characters long.
uint8_t CommandChecksum(std::string_view command);

// The command followed by its checksum as two upper-case hexadecimal digits.
std::string AddChecksum(std::string_view command);

// The text followed by the 16-bit sum of the first `count` bytes as four upper-case
// hexadecimal digits.
std::string AddDataSum(std::string_view text, const uint8_t* bytes, size_t count);

// Upper-case hexadecimal of `value` with exactly `digits` digits.
std::string HexDigits(uint64_t value, int digits);

}  // namespace atalaya
