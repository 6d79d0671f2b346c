#include "core/config/decoder_files.h"

#include <algorithm>
#include <string>

#include "core/eeprom/hex_value.h"
#include "core/service/checksum.h"

namespace atalaya {

int64_t ReadBlockCount(const IniFile& file, std::string_view section) {
  return file.ReadInteger(section, "NumBlocks", 1);
}

std::optional<FlashLayout> ReadFlashLayout(const IniFile& file, std::string_view section) {
  const int64_t count = ReadBlockCount(file, section);
  if (count < 0 || count > FlashLayout::kMaxBlocks) return std::nullopt;
  FlashLayout layout;
  layout.block_count = static_cast<int32_t>(count);
  layout.erase_code = static_cast<uint8_t>(file.ReadInteger(section, "ErasureMode", 48));
  // A block without a value reads as "0". The keys are block0 to block1024 as decimal numbers
  // write them: "block07" is not block 7.
  layout.blocks.fill(0);
  for (const auto& [key, value] : file.ReadSection(section)) {
    const std::string_view number = std::string_view(key).substr(std::min<size_t>(key.size(), 5));
    if (!key.starts_with("block") || number.empty() || number.size() > 4) continue;
    if (number.find_first_not_of("0123456789") != std::string_view::npos) continue;
    const size_t n = static_cast<size_t>(std::stoi(std::string(number)));
    if (n >= layout.blocks.size() || std::to_string(n) != number) continue;
    // HexValue gives −1 for anything but upper-case digits, which keeps all 32 bits set.
    layout.blocks[n] = static_cast<uint32_t>(HexValue(value));
  }
  return layout;
}

SymbolRateTable ReadSymbolRates(const IniFile& file, std::string_view section) {
  SymbolRateTable table{};
  for (size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<int32_t>(file.ReadInteger(section, "value" + HexDigits(i, 2), 0));
  }
  return table;
}

ModelChips ReadModelChips(const IniFile& file, std::string_view section) {
  ModelChips chips;
  chips.flash1_start = file.ReadString(section, "Flash1Start", chips.flash1_start);
  chips.flash1_type = file.ReadInteger(section, "Flash1Type", 0);
  chips.flash2_start = file.ReadString(section, "Flash2Start", chips.flash2_start);
  chips.flash2_type = file.ReadInteger(section, "Flash2Type", 0);
  return chips;
}

}  // namespace atalaya
