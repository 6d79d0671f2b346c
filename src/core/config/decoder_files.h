#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/ini_file.h"

namespace atalaya {

// The block map of one flash chip, from its flash-type file.
struct FlashLayout {
  static constexpr int kMaxBlocks = 1024;

  int32_t block_count = 0;
  uint8_t erase_code = 0;  // handed to the flash routine with each block erase
  // Entry n < block_count is the offset of block n from the chip's start; entry block_count is
  // the chip's size. An entry that was not upper-case hexadecimal holds all ones.
  std::array<uint32_t, kMaxBlocks + 1> blocks{};

  uint32_t ChipSize() const {
    return block_count >= 0 && block_count <= kMaxBlocks ? blocks[static_cast<size_t>(block_count)]
                                                         : 0;
  }
  bool operator==(const FlashLayout&) const = default;
};

// The 16 symbol rates that channel and satellite records refer to by number; 0 is empty.
using SymbolRateTable = std::array<int32_t, 16>;

// The two chips of a decoder model, from its model file.
struct ModelChips {
  std::string flash1_start = "7FE00000";
  int64_t flash1_type = 0;
  std::string flash2_start = "60000000";
  int64_t flash2_type = 0;
};

// Reads a data file NAME.ini of the data folder; a missing file reads as empty.
using DataFileReader = std::function<IniFile(const std::string& name)>;

// A flash-type file's layout, or nothing when its block count lies outside 0…1024: such a file
// cannot say where its chip ends, and using it could erase beyond the chip.
std::optional<FlashLayout> ReadFlashLayout(const IniFile& file, std::string_view section);
// The block count a refused flash-type file gave.
int64_t ReadBlockCount(const IniFile& file, std::string_view section);
SymbolRateTable ReadSymbolRates(const IniFile& file, std::string_view section);
ModelChips ReadModelChips(const IniFile& file, std::string_view section);

}  // namespace atalaya
