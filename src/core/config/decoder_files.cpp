#include "core/config/decoder_files.h"

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
  for (size_t n = 0; n < layout.blocks.size(); ++n) {
    const std::string text = file.ReadString(section, "block" + std::to_string(n), "0");
    // HexValue gives −1 for anything but upper-case digits, which keeps all 32 bits set.
    layout.blocks[n] = static_cast<uint32_t>(HexValue(text));
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
