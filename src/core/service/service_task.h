#pragma once

#include <cstdint>

namespace atalaya {

// The serial task being served. It decides which engine a reply line goes to; each task sets it
// as it starts and nothing resets it.
enum class ServiceTask : uint8_t {
  kIdle = 0,
  kEepromReadAll = 1,
  kEepromWriteAll = 2,
  kEepromVerifyAll = 3,
  kFirmwareUpload = 4,
  kEepromWriteRow = 5,
  kEepromReadLow = 6,
  kEepromWriteLow = 7,
  kEepromVerifyLow = 8,
  kEepromReadRow = 9,
  kEepromVerifyRow = 10,
  kLptCheck = 11,
  kTerminalLine = 255,
};

inline bool IsEepromTask(ServiceTask task) {
  const auto value = static_cast<uint8_t>(task);
  return (value >= 1 && value <= 3) || (value >= 5 && value <= 10);
}

}  // namespace atalaya
