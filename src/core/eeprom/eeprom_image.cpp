#include "core/eeprom/eeprom_image.h"

#include <algorithm>

#include "core/config/text_table.h"
#include "core/eeprom/hex_value.h"
#include "core/service/checksum.h"
#include "core/shell/operator.h"

namespace atalaya {
namespace {

const std::string kOutside;

bool IsValidPair(std::string_view text) { return text.size() == 2 && HexValue(text) != -1; }

bool InGrid(int row, int column) {
  return row >= 1 && row <= EepromImage::kRows && column >= 1 && column <= EepromImage::kColumns;
}

}  // namespace

std::string ByteText(uint8_t byte) { return HexDigits(byte, 2); }

std::string RowAddressText(int row_index) { return HexDigits(static_cast<uint64_t>(row_index), 2) + "0"; }

EepromImage::EepromImage() { cells_.fill("FF"); }

size_t EepromImage::Index(int row, int column) {
  return static_cast<size_t>((row - 1) * kColumns + (column - 1));
}

void EepromImage::Changed(int first_row, int last_row) const {
  if (listener_) listener_(first_row, last_row);
}

const std::string& EepromImage::Cell(int row, int column) const {
  return InGrid(row, column) ? cells_[Index(row, column)] : kOutside;
}

void EepromImage::SetCell(int row, int column, std::string_view text) {
  if (!InGrid(row, column)) return;
  cells_[Index(row, column)] = text;
  Changed(row, row);
}

std::string EepromImage::RowText(int row) const {
  std::string text;
  for (int column = 1; column <= kColumns; ++column) text += Cell(row, column);
  return text;
}

void EepromImage::FillFF() {
  cells_.fill("FF");
  Changed(1, kRows);
}

void EepromImage::LoadBytes(const uint8_t* buffer, size_t start, size_t count) {
  if (start >= static_cast<size_t>(kSize) || count == 0) return;
  const size_t end = std::min(start + count, static_cast<size_t>(kSize));
  for (size_t address = start; address < end; ++address) {
    cells_[address] = ByteText(buffer[address - start]);
  }
  Changed(static_cast<int>(start / kColumns) + 1, static_cast<int>((end - 1) / kColumns) + 1);
}

std::optional<std::array<uint8_t, EepromImage::kSize>> EepromImage::Bytes() const {
  std::array<uint8_t, kSize> bytes{};
  for (size_t address = 0; address < cells_.size(); ++address) {
    if (!IsValidPair(cells_[address])) return std::nullopt;
    bytes[address] = static_cast<uint8_t>(HexValue(cells_[address]));
  }
  return bytes;
}

std::optional<int> EepromImage::FirstInvalidCell() const {
  for (size_t address = 0; address < cells_.size(); ++address) {
    if (!IsValidPair(cells_[address])) return static_cast<int>(address);
  }
  return std::nullopt;
}

bool EepromImage::CheckCells(const TextTable& texts, Operator& user) const {
  const auto invalid = FirstInvalidCell();
  if (!invalid) return true;
  user.ShowError(texts.Text(192) + HexDigits(static_cast<uint64_t>(*invalid), 3) +
                 texts.Text(193));
  return false;
}

void HexEditRules::Select(int row) {
  if (row >= 1 && row <= EepromImage::kRows) selected_row_ = row;
}

void HexEditRules::BeginEdit(int row, int column) {
  Select(row);
  const std::string& text = image_.Cell(row, column);
  if (IsValidPair(text)) cell_before_edit_ = static_cast<uint8_t>(HexValue(text));
}

void HexEditRules::CommitEdit(int row, int column, std::string_view typed) {
  std::string text(typed);
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  image_.SetCell(row, column, IsValidPair(text) ? text : ByteText(cell_before_edit_));
}

void HexEditRules::CancelEdit(int row, int column) {
  image_.SetCell(row, column, ByteText(cell_before_edit_));
}

}  // namespace atalaya
