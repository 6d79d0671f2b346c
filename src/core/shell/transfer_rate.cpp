#include "core/shell/transfer_rate.h"

#include <cfenv>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace atalaya {

int64_t RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which is to-nearest-even unless changed.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double rounded = std::nearbyint(value);
  std::fesetround(saved);
  return static_cast<int64_t>(rounded);
}

std::string FormatFixed(double value, int significant, int decimals, char decimal_separator) {
  std::string text;
  const double magnitude = std::fabs(value);
  const int integer_digits =
      magnitude < 1.0 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
  if (integer_digits > significant) {
    // Mantissa with `significant` digits and a signed three-digit exponent.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*E", significant - 1, value);
    const std::string e = buffer;
    const size_t pos = e.find('E');
    const int exponent = std::stoi(e.substr(pos + 1));
    std::snprintf(buffer, sizeof buffer, "%sE%c%03d", e.substr(0, pos).c_str(),
                  exponent < 0 ? '-' : '+', std::abs(exponent));
    text = buffer;
  } else {
    const int kept = std::min(decimals, significant - integer_digits);
    // Round once to the kept digits, then pad with zeros to the decimals shown.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::max(kept, 0), value);
    text = buffer;
    if (decimals > kept) {
      if (kept <= 0 && decimals > 0) text += '.';
      text.append(static_cast<size_t>(decimals - std::max(kept, 0)), '0');
    }
  }
  for (char& c : text) {
    if (c == '.') c = decimal_separator;
  }
  return text;
}

double PerSecond(double amount, int64_t elapsed_ms) {
  return elapsed_ms <= 0 ? 0.0 : amount * 1000.0 / static_cast<double>(elapsed_ms);
}

std::string SpeedText(double speed, int significant, int decimals, std::string_view gap,
                      std::string_view unit, char decimal_separator) {
  return FormatFixed(speed, significant, decimals, decimal_separator) + std::string(gap) +
         std::string(unit);
}

std::string RemainingText(double seconds, std::string_view gap, std::string_view unit) {
  return std::to_string(RoundHalfEven(seconds)) + std::string(gap) + std::string(unit);
}

}  // namespace atalaya
