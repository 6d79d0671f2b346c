#include "core/eeprom/eeprom_image.h"

#include <gtest/gtest.h>

#include "core/config/text_table.h"
#include "core/eeprom/hex_value.h"
#include "service/link_fixture.h"

namespace atalaya {
namespace {

TEST(HexValueTest, OnlyUpperCaseDigitsCount) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"", 0},      {"FF", 255},  {"ff", -1},   {"1G", -1},
      {"FFF", 4095}, {"00", 0},   {"7FE00000", 0x7FE00000}, {" 1", -1},
      {"FFFFFFFFFFFFFFFF", -1},   {"123456789ABCDEF0", 0x123456789ABCDEF0},
  };
  for (const Case& c : cases) EXPECT_EQ(HexValue(c.text), c.value) << c.text;
}

TEST(EepromImageTest, CellsRowsAndBytes) {
  EepromImage image;
  EXPECT_EQ(image.RowText(1), std::string(32, 'F'));
  image.SetCell(2, 16, "A5");
  EXPECT_EQ(image.Cell(2, 16), "A5");
  EXPECT_EQ(image.RowText(2), std::string(30, 'F') + "A5");
  EXPECT_EQ(image.Cell(0, 1), "");    // outside the grid
  EXPECT_EQ(image.Cell(129, 1), "");
  image.SetCell(1, 17, "00");         // ignored
  EXPECT_EQ(image.RowText(1), std::string(32, 'F'));

  std::array<uint8_t, 32> buffer{};
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i);
  image.LoadBytes(buffer.data(), 0x7F0, buffer.size());  // only the last row fits
  EXPECT_EQ(image.RowText(128), "000102030405060708090A0B0C0D0E0F");
  EXPECT_EQ(image.RowText(127), std::string(32, 'F'));
  image.LoadBytes(buffer.data(), 2048, 32);  // nothing at all fits
  image.FillFF();
  EXPECT_EQ(image.RowText(128), std::string(32, 'F'));
}

TEST(EepromImageTest, CheckCellsNamesTheFirstBadCell) {
  const TextTable texts;
  struct Case {
    int row;
    int column;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {27, 4, "F", "¡ La dirección 1A3 contiene un dato erroneo !"},
      {1, 1, "", "¡ La dirección 000 contiene un dato erroneo !"},
      {128, 16, "fe", "¡ La dirección 7FF contiene un dato erroneo !"},
      {5, 2, "FFF", "¡ La dirección 041 contiene un dato erroneo !"},
  };
  for (const Case& c : cases) {
    EepromImage image;
    RecordingUser user;
    EXPECT_TRUE(image.CheckCells(texts, user));
    image.SetCell(c.row, c.column, c.text);
    EXPECT_FALSE(image.CheckCells(texts, user));
    EXPECT_EQ(user.errors, std::vector<std::string>{c.message});
  }
}

TEST(EepromImageTest, TellsWhichRowsChanged) {
  EepromImage image;
  std::vector<std::pair<int, int>> changes;
  image.SetChangeListener([&](int first, int last) { changes.emplace_back(first, last); });
  image.SetCell(3, 1, "00");
  const uint8_t bytes[20] = {};
  image.LoadBytes(bytes, 0x1C, 20);
  image.FillFF();
  EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{3, 3}, {2, 3}, {1, 128}}));
}

TEST(HexEditRulesTest, HandEditsKeepCellsValid) {
  struct Case {
    const char* before;
    const char* typed;  // nullptr: the edit is cancelled
    const char* after;
  };
  const Case cases[] = {
      {"12", "a5", "A5"}, {"12", "G1", "12"}, {"12", "", "12"},
      {"12", "7", "12"},  {"12", nullptr, "12"}, {"3C", "Ff", "FF"},
  };
  for (const Case& c : cases) {
    EepromImage image;
    HexEditRules rules(image);
    image.SetCell(4, 9, c.before);
    rules.BeginEdit(4, 9);
    EXPECT_EQ(rules.selected_row(), 4);
    if (c.typed) {
      rules.CommitEdit(4, 9, c.typed);
    } else {
      rules.CancelEdit(4, 9);
    }
    EXPECT_EQ(image.Cell(4, 9), c.after) << c.typed;
  }
}

TEST(HexEditRulesTest, ACellWithBadTextFallsBackToTheLastGoodValue) {
  EepromImage image;
  HexEditRules rules(image);
  image.SetCell(1, 1, "7E");
  rules.BeginEdit(1, 1);
  rules.CommitEdit(1, 1, "7E");
  image.SetCell(2, 2, "G");  // put there by a file
  rules.BeginEdit(2, 2);
  EXPECT_EQ(rules.cell_before_edit(), 0x7E);
  rules.CancelEdit(2, 2);
  EXPECT_EQ(image.Cell(2, 2), "7E");
  rules.Select(200);
  EXPECT_EQ(rules.selected_row(), 2);
}

}  // namespace
}  // namespace atalaya
