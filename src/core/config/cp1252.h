#pragma once

#include <string>
#include <string_view>

namespace atalaya {

// The data files are 8-bit Windows-1252 text while the program works in UTF-8; these two
// conversions are the only place where the two meet.

// Every byte maps to a character; the five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90,
// 9D) map to the C1 control of the same number, so a round trip keeps every byte.
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 byte, and malformed UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace atalaya
