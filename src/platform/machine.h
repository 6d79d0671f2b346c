#pragma once

#include <string>
#include <vector>

namespace atalaya {

// The data folder: "INIs/" beside the running executable, with its final slash.
std::string DefaultDataFolder();

// Names of the serial ports present, sorted alphabetically.
std::vector<std::string> ListSerialPorts();

}  // namespace atalaya
