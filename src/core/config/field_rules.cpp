#include "core/config/field_rules.h"

namespace atalaya {

// Both rules leave an empty field only when the empty value itself is empty: a field without a
// single digit would be saved empty, and an empty value in the settings file reads as missing.

std::string ApplyDigitRule(std::string_view text, std::string_view empty_value) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits.empty() ? std::string(empty_value) : digits;
}

std::string ApplyHexRule(std::string_view text, std::string_view empty_value) {
  std::string hex;
  for (char c : text) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) hex += c;
  }
  return hex.empty() ? std::string(empty_value) : hex;
}

void ApplySatelliteNameRule(std::string& name_a, std::string& name_b) {
  if (name_a.empty()) name_a = "A";
  if (name_b.empty()) name_b = "B";
  if (name_a == name_b) {
    name_a = "A";
    name_b = "B";
  }
}

}  // namespace atalaya
