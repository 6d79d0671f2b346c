#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace atalaya {

class LogPane;

// The firmware checksum block: twenty CRC-32 values over the first 13FC00 bytes of a firmware
// image, written right behind them so the decoder can check its firmware flash.
inline constexpr size_t kChecksumBlockCount = 20;
inline constexpr size_t kChecksumBlockSize = 0x10000;     // blocks 0 to 18
inline constexpr size_t kChecksumCoveredSize = 0x13FC00;  // block 19 is FC00 bytes long
inline constexpr size_t kChecksumBlockOffset = kChecksumCoveredSize;
inline constexpr size_t kChecksumBlockLength = 4 * kChecksumBlockCount;  // 80 bytes

using FirmwareChecksums = std::array<uint32_t, kChecksumBlockCount>;
using ChecksumBlock = std::array<uint8_t, kChecksumBlockLength>;

// The CRC-32 of each covered block, in block order; none for an image shorter than the covered
// range, whose last blocks would describe bytes the image does not have.
std::optional<FirmwareChecksums> ComputeFirmwareChecksums(std::string_view image);

// The 80-byte block (each value most significant byte first), logging every value as 8
// upper-case hexadecimal digits on a line of its own; none, and nothing logged, for an image
// shorter than the covered range.
std::optional<ChecksumBlock> FirmwareChecksumBlock(std::string_view image, LogPane& log);

// Writes the block at 13FC00 into an image long enough to hold it (13FC50 bytes); a shorter
// image is left as it is. Returns whether the block was written.
bool AddFirmwareChecksum(std::string& image, LogPane& log);

// The text a value is logged and printed as: "CBF43926".
std::string ChecksumText(uint32_t value);

}  // namespace atalaya
