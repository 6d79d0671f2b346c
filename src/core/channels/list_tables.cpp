#include "core/channels/list_tables.h"

#include "core/config/settings.h"
#include "core/config/text_table.h"

namespace atalaya {
namespace {

template <typename Column>
void SetTitles(ListTable<Column>& table, const TextTable& texts, const std::array<int, 10>& keys) {
  for (size_t column = 1; column < kListColumnCount; ++column) {
    table.Row(0)[column] = texts.Text(keys[column - 1]);
  }
}

template <typename Table, typename Column>
bool KeyCellsEmpty(const Table& table, int row, Column a, Column b, Column c) {
  const auto all = [&](std::string_view text) {
    return table.Cell(row, a) == text && table.Cell(row, b) == text && table.Cell(row, c) == text;
  };
  return all("") || all("0");
}

}  // namespace

void ChannelTable::ApplyTitles(const TextTable& texts) {
  SetTitles(*this, texts, {173, 174, 175, 176, 177, 178, 179, 180, 181, 209});
}

void TransponderTable::ApplyTitles(const TextTable& texts) {
  SetTitles(*this, texts, {184, 185, 186, 187, 188, 189, 190, 191, 210, 209});
}

Rgb ChannelColour(int64_t vpid, int64_t apid) {
  if (vpid == 65535 && apid != 65535) return kRadioColour;
  if (vpid == 65535 && apid == 65535) return kDataColour;
  if (vpid != 0 || apid != 0) return kServiceColour;
  return kEmptyColour;
}

bool IsEmptyChannelRow(const ChannelTable& table, int row) {
  return KeyCellsEmpty(table, row, ChannelColumn::kTrsp, ChannelColumn::kSid, ChannelColumn::kVpid);
}

bool IsEmptyTransponderRow(const TransponderTable& table, int row) {
  return KeyCellsEmpty(table, row, TransponderColumn::kFrec, TransponderColumn::kTrsp,
                       TransponderColumn::kNet);
}

int FirstEmptyChannelRow(const ChannelTable& table) {
  for (int row = 1; row < table.RowCount(); ++row) {
    if (IsEmptyChannelRow(table, row)) return row;
  }
  return table.RowCount();
}

int FirstEmptyTransponderRow(const TransponderTable& table) {
  for (int row = 1; row < table.RowCount(); ++row) {
    if (IsEmptyTransponderRow(table, row)) return row;
  }
  return table.RowCount();
}

void SetBlankChannelRow(ChannelTable& table, int row, const Settings& settings) {
  ListRow& cells = table.Row(row);
  const std::string zero = "0";
  for (size_t column = 2; column < kListColumnCount - 1; ++column) cells[column] = zero;
  table.SetCell(row, ChannelColumn::kNombre, "");
  table.SetCell(row, ChannelColumn::kSat, settings.previous_satellite_names[0]);
}

void SetBlankTransponderRow(TransponderTable& table, int row, const Settings& settings) {
  using C = TransponderColumn;
  table.SetCell(row, C::kFrec, "0");
  table.SetCell(row, C::kTrsp, "0");
  table.SetCell(row, C::kNet, "0");
  table.SetCell(row, C::kFec, "1/2");
  table.SetCell(row, C::kPol, "V");
  table.SetCell(row, C::kSr, std::to_string(settings.symbol_rates[0]));
  table.SetCell(row, C::k22KHz, "Off");
  table.SetCell(row, C::kCan, "0");
  table.SetCell(row, C::kBanda, "Ku");
  table.SetCell(row, C::kSat, settings.previous_satellite_names[0]);
}

}  // namespace atalaya
