#pragma once

#include <string>
#include <string_view>

namespace atalaya {

// Input rules of the configuration fields, applied on every change of their text.

// LNB frequencies: only digits stay; a field left with none (emptied, or holding no digit at
// all) takes `empty_value`.
std::string ApplyDigitRule(std::string_view text, std::string_view empty_value);

// Addresses: upper case, only 0-9 and A-F stay; a field left with none takes `empty_value`.
std::string ApplyHexRule(std::string_view text, std::string_view empty_value);

// Satellite names: an empty name becomes "A" or "B", and two equal names (letter case
// included) become "A" and "B", so the two satellites can always be told apart.
void ApplySatelliteNameRule(std::string& name_a, std::string& name_b);

}  // namespace atalaya
