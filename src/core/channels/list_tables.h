#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace atalaya {

class TextTable;
struct Settings;

// The working copy of a channel list: two grids of text. Every edit works on these texts;
// bytes are produced only when the list is written back into an image.

inline constexpr int kListColumnCount = 11;
using ListRow = std::array<std::string, kListColumnCount>;

enum class ChannelColumn {
  kNumber,
  kNombre,
  kTrsp,
  kSid,
  kVpid,
  kApid,
  kVecm,
  kAecm,
  kPcr,
  kSta,
  kSat
};
enum class TransponderColumn {
  kNumber,
  kFrec,
  kTrsp,
  kNet,
  kFec,
  kPol,
  kSr,
  k22KHz,
  kCan,
  kBanda,
  kSat
};

// Rows by 11 columns of text. Row 0 holds the column titles, column 0 the row number; a
// table's capacity is one record per row after the titles.
template <typename Column>
class ListTable {
 public:
  explicit ListTable(int row_count) { Resize(row_count); }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const ListRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
  ListRow& Row(int row) { return rows_[static_cast<size_t>(row)]; }
  const std::string& Cell(int row, Column column) const {
    return Row(row)[static_cast<size_t>(column)];
  }
  void SetCell(int row, Column column, std::string text) {
    Row(row)[static_cast<size_t>(column)] = std::move(text);
  }

  // Takes `row_count` rows (the title row included, so at least 1). Added rows are empty;
  // column 0 is numbered 1, 2, … again.
  void Resize(int row_count) {
    rows_.resize(static_cast<size_t>(row_count < 1 ? 1 : row_count));
    for (size_t row = 1; row < rows_.size(); ++row) rows_[row][0] = std::to_string(row);
  }

 private:
  std::vector<ListRow> rows_;
};

struct Rgb {
  uint8_t red = 255;
  uint8_t green = 255;
  uint8_t blue = 255;
  bool operator==(const Rgb&) const = default;
};

// The channel rows, each with its background colour.
class ChannelTable : public ListTable<ChannelColumn> {
 public:
  explicit ChannelTable(int row_count) : ListTable(row_count) {
    colours_.resize(static_cast<size_t>(RowCount()));
  }

  void Resize(int row_count) {
    ListTable::Resize(row_count);
    colours_.resize(static_cast<size_t>(RowCount()));
  }
  Rgb Colour(int row) const { return colours_[static_cast<size_t>(row)]; }
  void SetColour(int row, Rgb colour) { colours_[static_cast<size_t>(row)] = colour; }

  // Row 0: NOMBRE, TRSP, SID, VPID, APID, VECM, AECM, PCR, STA, SAT.
  void ApplyTitles(const TextTable& texts);

 private:
  std::vector<Rgb> colours_;
};

class TransponderTable : public ListTable<TransponderColumn> {
 public:
  using ListTable::ListTable;

  // Row 0: FREC, TRSP, NET, FEC, POL, SR, 22KHz, CAN, BANDA, SAT.
  void ApplyTitles(const TextTable& texts);
};

// The background of a channel row, from its VPID and APID: radio (only video missing), data
// (both missing), a service with PIDs, or an empty record.
inline constexpr Rgb kRadioColour = {191, 208, 245};
inline constexpr Rgb kDataColour = {191, 245, 192};
inline constexpr Rgb kServiceColour = {245, 226, 175};
inline constexpr Rgb kEmptyColour = {255, 255, 255};
Rgb ChannelColour(int64_t vpid, int64_t apid);

// A row is empty when its three key cells (channel: TRSP, SID, VPID; transponder: FREC, TRSP,
// NET) are all empty texts, or all "0".
bool IsEmptyChannelRow(const ChannelTable& table, int row);
bool IsEmptyTransponderRow(const TransponderTable& table, int row);

// The first empty row from row 1 on, or the row count when every row is in use.
int FirstEmptyChannelRow(const ChannelTable& table);
int FirstEmptyTransponderRow(const TransponderTable& table);

// The rows the table operations leave behind: no name, satellite A and "0" elsewhere; for a
// transponder "0" in FREC, TRSP, NET and CAN, "1/2", "V", the first symbol rate, "Off", "Ku".
// The row number stays.
void SetBlankChannelRow(ChannelTable& table, int row, const Settings& settings);
void SetBlankTransponderRow(TransponderTable& table, int row, const Settings& settings);

}  // namespace atalaya
