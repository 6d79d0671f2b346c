#pragma once

#include <optional>
#include <string>

#include "sim/service_mode_decoder.h"

namespace atalaya::sim {

// EEPROM images on disk are the raw 2048 bytes, nothing else, so they can be compared and edited
// with any hex tool. Both functions return a message for the user (in Spanish) when they fail.

// Fills `eeprom` from the file; on failure (missing, unreadable, not exactly 2048 bytes) the
// array is left untouched.
std::optional<std::string> LoadEepromFile(const std::string& path, Eeprom& eeprom);

// Writes path + ".tmp" and renames it over `path`, so a failed save leaves the old file whole.
std::optional<std::string> SaveEepromFile(const std::string& path, const Eeprom& eeprom);

}  // namespace atalaya::sim
