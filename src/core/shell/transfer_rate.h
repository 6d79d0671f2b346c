#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace atalaya {

// Texts of the status rows "Velocidad" and "Tiempo rest.". Each task computes its speed and
// remaining seconds from its own units; these helpers keep the number formats alike.

// Formats `value` with `decimals` digits after the separator, after rounding it to
// `significant` significant digits ("1234.567" with 5 and 2 reads "1234.60"). A value with
// more integer digits than `significant` is written in scientific notation ("1.2346E+005").
std::string FormatFixed(double value, int significant, int decimals, char decimal_separator);

// Rounds to the nearest integer, halves to even.
int64_t RoundHalfEven(double value);

// Amount per second; 0 while no time has passed.
double PerSecond(double amount, int64_t elapsed_ms);

// "<speed><gap><unit>", e.g. "512.00b/s" or "12.5 Kb/seg".
std::string SpeedText(double speed, int significant, int decimals, std::string_view gap,
                      std::string_view unit, char decimal_separator);

// "<whole seconds><gap><unit>", rounded halves to even, e.g. "37seg".
std::string RemainingText(double seconds, std::string_view gap, std::string_view unit);

}  // namespace atalaya
