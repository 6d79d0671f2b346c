#include "core/service/checksum.h"

namespace atalaya {

uint8_t CommandChecksum(std::string_view command) {
  const size_t counted = command.size() & 0xFF;
  uint8_t sum = 0;
  for (size_t i = 1; i < counted; ++i) sum ^= static_cast<uint8_t>(command[i]);
  return static_cast<uint8_t>(~sum);
}

std::string HexDigits(uint64_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    text[static_cast<size_t>(i)] = kDigits[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::string AddChecksum(std::string_view command) {
  return std::string(command) + HexDigits(CommandChecksum(command), 2);
}

std::string AddDataSum(std::string_view text, const uint8_t* bytes, size_t count) {
  uint16_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum = static_cast<uint16_t>(sum + bytes[i]);
  return std::string(text) + HexDigits(sum, 4);
}

}  // namespace atalaya
