#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace atalaya {

class Operator;
class TextTable;

// The decoder's 2048-byte EEPROM as the program holds it: 128 rows of 16 cells, each cell the
// text of one byte, normally two upper-case hexadecimal digits. It is text rather than bytes
// because files and fields may put other text in a cell for a while; every reader converts
// with HexValue, and sending refuses to start while any cell is not a valid pair.
//
// Rows and columns are those of the hex grid: rows 1…128, columns 1…16; the byte address is
// (row − 1) × 16 + (column − 1).
class EepromImage {
 public:
  static constexpr int kRows = 128;
  static constexpr int kColumns = 16;
  static constexpr int kSize = kRows * kColumns;

  EepromImage();

  const std::string& Cell(int row, int column) const;
  void SetCell(int row, int column, std::string_view text);
  // The 16 cells of a row, left to right.
  std::string RowText(int row) const;
  void FillFF();
  // Cells of addresses start … start + count − 1 (those below 2048) take the buffer's bytes.
  void LoadBytes(const uint8_t* buffer, size_t start, size_t count);

  // The image as bytes; nothing while a cell is not a valid byte.
  std::optional<std::array<uint8_t, kSize>> Bytes() const;

  // Address of the first cell that is not exactly two hexadecimal digits, row by row.
  std::optional<int> FirstInvalidCell() const;
  // Shows "¡ La dirección 1A3 contiene un dato erroneo !" for the first invalid cell and
  // answers false; answers true silently when every cell is valid.
  bool CheckCells(const TextTable& texts, Operator& user) const;

  // Called with the first and last row that changed, so a view can repaint them.
  void SetChangeListener(std::function<void(int first_row, int last_row)> listener) {
    listener_ = std::move(listener);
  }

 private:
  static size_t Index(int row, int column);
  void Changed(int first_row, int last_row) const;

  std::array<std::string, kSize> cells_;
  std::function<void(int, int)> listener_;
};

// The byte as two upper-case hexadecimal digits.
std::string ByteText(uint8_t byte);

// Three-digit address of a row's first byte: row index as two digits and "0" ("000" … "7F0").
std::string RowAddressText(int row_index);

// The editing rules of the hex grid: what a cell becomes when the user edits it by hand.
class HexEditRules {
 public:
  explicit HexEditRules(EepromImage& image) : image_(image) {}

  // 1…128: the row last selected or edited; "Fila Seleccionada" transfers it.
  int selected_row() const { return selected_row_; }
  uint8_t cell_before_edit() const { return cell_before_edit_; }

  void Select(int row);
  void BeginEdit(int row, int column);
  // The typed text is upper-cased; anything but two hexadecimal digits puts back the value the
  // cell had when editing began.
  void CommitEdit(int row, int column, std::string_view typed);
  void CancelEdit(int row, int column);

 private:
  EepromImage& image_;
  int selected_row_ = 1;
  uint8_t cell_before_edit_ = 0;
};

}  // namespace atalaya
