#include "core/jtag/firmware_checksum.h"

#include <algorithm>
#include <cstdio>

#include "core/jtag/crc32.h"
#include "core/shell/task_status.h"

namespace atalaya {

std::optional<FirmwareChecksums> ComputeFirmwareChecksums(std::string_view image) {
  if (image.size() < kChecksumCoveredSize) return std::nullopt;
  FirmwareChecksums values{};
  for (size_t i = 0; i < kChecksumBlockCount; ++i) {
    const size_t start = i * kChecksumBlockSize;
    const size_t length = std::min(kChecksumBlockSize, kChecksumCoveredSize - start);
    values[i] = Crc32(image.substr(start, length));
  }
  return values;
}

std::optional<ChecksumBlock> FirmwareChecksumBlock(std::string_view image, LogPane& log) {
  const std::optional<FirmwareChecksums> values = ComputeFirmwareChecksums(image);
  if (!values) return std::nullopt;
  ChecksumBlock block{};
  for (size_t i = 0; i < kChecksumBlockCount; ++i) {
    const uint32_t c = (*values)[i];
    block[4 * i] = static_cast<uint8_t>(c >> 24);
    block[4 * i + 1] = static_cast<uint8_t>(c >> 16);
    block[4 * i + 2] = static_cast<uint8_t>(c >> 8);
    block[4 * i + 3] = static_cast<uint8_t>(c);
    log.Append(ChecksumText(c));
  }
  return block;
}

bool AddFirmwareChecksum(std::string& image, LogPane& log) {
  if (image.size() < kChecksumBlockOffset + kChecksumBlockLength) return false;
  const std::optional<ChecksumBlock> block = FirmwareChecksumBlock(image, log);
  if (!block) return false;
  // The block lies behind the covered range, so writing it never changes what it describes.
  for (size_t i = 0; i < block->size(); ++i) {
    image[kChecksumBlockOffset + i] = static_cast<char>((*block)[i]);
  }
  return true;
}

std::string ChecksumText(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

}  // namespace atalaya
